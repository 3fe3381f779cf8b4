#include <curses.h>

#include <gtest/gtest.h>

#include "ui/LineEditor.h"

namespace kova {
namespace {

using Result = LineEditor::Result;

void type(LineEditor& editor, const std::string& text) {
    for (char c : text) {
        editor.feed(static_cast<unsigned char>(c));
    }
}

TEST(LineEditor, TypingBackspaceAndEnterBehaveLikeAPrompt) {
    LineEditor editor;
    type(editor, "get/1/0x");
    EXPECT_EQ(editor.feed(KEY_BACKSPACE), Result::Changed);
    EXPECT_EQ(editor.feed(0x7f), Result::Changed);
    type(editor, "0");
    EXPECT_EQ(editor.text(), "get/1/0");
    EXPECT_EQ(editor.feed('\n'), Result::Submitted);
    EXPECT_EQ(editor.takeLine(), "get/1/0");
    EXPECT_EQ(editor.text(), "");
    EXPECT_EQ(editor.feed(KEY_BACKSPACE), Result::Refused);
}

TEST(LineEditor, RefusesPastTwoHundredFiftyFiveCharacters) {
    LineEditor editor;
    type(editor, std::string(255, 'a'));
    EXPECT_EQ(editor.feed('b'), Result::Refused);
    EXPECT_EQ(editor.text(), std::string(255, 'a'));
}

TEST(LineEditor, ControlKeysAndEscapeNeverEnterTheLine) {
    LineEditor editor;
    type(editor, "ab");
    EXPECT_EQ(editor.feed(27), Result::Refused);
    EXPECT_EQ(editor.feed(0x07), Result::Refused);
    EXPECT_EQ(editor.feed(KEY_RESIZE), Result::Unchanged);
    EXPECT_EQ(editor.feed(KEY_F(1)), Result::Unchanged);
    EXPECT_EQ(editor.text(), "ab");
}

TEST(LineEditor, CursorMovesAndInsertsInTheMiddle) {
    LineEditor editor;
    type(editor, "goal15");
    editor.feed(KEY_LEFT);
    editor.feed(KEY_LEFT);
    type(editor, "/");
    EXPECT_EQ(editor.text(), "goal/15");
    EXPECT_EQ(editor.cursor(), 5u);
    editor.feed(KEY_HOME);
    editor.feed(KEY_DC);
    EXPECT_EQ(editor.text(), "oal/15");
    editor.feed(KEY_END);
    EXPECT_EQ(editor.cursor(), 6u);
}

// A UTF-8 character is one unit: moving and erasing never leave half a character in the line.
TEST(LineEditor, UtfEightCharactersMoveAndEraseWhole) {
    LineEditor editor;
    type(editor, "a\xc3\xa9\xe6\xbc\xa2z");  // a, é, 漢, z
    editor.feed(KEY_LEFT);
    editor.feed(KEY_LEFT);
    EXPECT_EQ(editor.cursor(), 3u);
    editor.feed(KEY_BACKSPACE);
    EXPECT_EQ(editor.text(), "a\xe6\xbc\xa2z");
    editor.feed(KEY_DC);
    EXPECT_EQ(editor.text(), "az");
    editor.feed(KEY_RIGHT);
    EXPECT_EQ(editor.cursor(), 2u);
}

TEST(LineEditor, UpAndDownRecallEarlierLinesAndKeepTheDraft) {
    LineEditor editor;
    for (const char* line : {"servo/on", "switch/auto", "switch/auto", "", "goal/15"}) {
        type(editor, line);
        editor.feed('\n');
        editor.takeLine();
    }
    type(editor, "dra");
    EXPECT_EQ(editor.feed(KEY_UP), Result::Changed);
    EXPECT_EQ(editor.text(), "goal/15");
    editor.feed(KEY_UP);
    EXPECT_EQ(editor.text(), "switch/auto");  // the repeat was remembered once
    editor.feed(KEY_UP);
    EXPECT_EQ(editor.text(), "servo/on");
    EXPECT_EQ(editor.feed(KEY_UP), Result::Refused);
    editor.feed(KEY_DOWN);
    editor.feed(KEY_DOWN);
    editor.feed(KEY_DOWN);
    EXPECT_EQ(editor.text(), "dra");
    EXPECT_EQ(editor.feed(KEY_DOWN), Result::Refused);
}

}  // namespace
}  // namespace kova
