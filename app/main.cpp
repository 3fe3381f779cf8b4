#include "app/ConsoleApp.h"
#include "app/OperationLog.h"
#include "app/SignalWatcher.h"

int main() {
    // Before any thread exists (the operation log's flusher starts in the constructor).
    kova::SignalWatcher::blockSignals();
    {
        kova::ConsoleApp app;
        {
            kova::SignalWatcher watcher([&app] { app.requestStop(); }, [&app] { app.resizeScreen(); });
            app.run();
        }
        kova::oplog::info("end kovaConsole");
        kova::oplog::flush();
        app.closeWindows();
    }
    return 0;
}
