#pragma once

#include "ui/CursesWindow.h"

namespace kova {

// The start-up banner: a 10-row, 48-column bold yellow-on-blue panel at column 15, shown for
// 2000 ms before the configuration is read.
class IntroWindow : public CursesWindow {
public:
    static constexpr int kWidth = 48;
    static constexpr int kLeft = 15;
    static constexpr long kHoldMs = 2000;

    // Builds the panel at row `top`, `height` rows high; `cols` is not used. Hides the cursor.
    void create(int cols, int top, int height);
    // Paints the panel, then holds the calling thread for 2000 ms (without the ScreenLock).
    void draw() override;
};

}  // namespace kova
