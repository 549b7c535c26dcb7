// The button box, opened for real: layout from the captions, the relayout for the message,
// icons and every way to end it.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dialogdriver.h"
#include "ui/promptdialogs.h"

namespace {

struct BoxLook {
    std::string caption;
    RECT window = {};
    RECT client = {};
    RECT desktop = {};
    RECT message = {};
    bool hasMessage = false;
    std::vector<RECT> buttons;
    std::vector<std::string> captions;
    std::vector<DWORD> styles;
    HWND focus = nullptr;
    std::vector<HWND> buttonWindows;
};

BoxLook LookAtBox(HWND dialog, int count)
{
    BoxLook look;
    look.caption = TextOf(dialog);
    GetWindowRect(dialog, &look.window);
    GetClientRect(dialog, &look.client);
    GetWindowRect(GetDesktopWindow(), &look.desktop);
    HWND message = ChildOf(dialog, IDC_BUTTONBOX_MESSAGE, "Static");
    look.hasMessage = message != nullptr;
    look.message = ClientRectOf(dialog, message);
    for (int i = 0; i < count; ++i) {
        HWND button = ChildOf(dialog, IDC_BUTTONBOX_FIRST + i, "Button");
        look.buttonWindows.push_back(button);
        look.buttons.push_back(ClientRectOf(dialog, button));
        look.captions.push_back(TextOf(button));
        look.styles.push_back((DWORD)GetWindowLongA(button, GWL_STYLE));
    }
    look.focus = FocusOfActive(dialog);
    return look;
}

int ButtonRowY(void)
{
    // Visual styles move the buttons up.
    return IsVisualStyleActive() ? 55 : 80;
}

// Shows a box, looks at it, then ends it with Escape.
BoxLook ShowAndLook(const char* caption, const char* text, std::vector<const char*> captions, int icon,
                    int defaultIndex, INT_PTR* result = nullptr)
{
    BoxLook look;
    int count = (int)captions.size();
    DriveOutcome outcome = DriveDialog(
        [&] { return (INT_PTR)ShowButtonBox(nullptr, caption, text, count, captions.data(), icon, defaultIndex); },
        [&](HWND dialog) {
            look = LookAtBox(dialog, count);
            PressKey(dialog, VK_ESCAPE);
        });
    EXPECT_TRUE(outcome.found);
    EXPECT_FALSE(outcome.leftOpen);
    if (result) *result = outcome.result;
    return look;
}

TEST(ButtonBox, ButtonsAndBoxTakeTheirSizeFromTheCaptions)
{
    struct Case {
        const char* name;
        std::vector<const char*> captions;
        int buttonWidth;
        int boxWidth;
    } cases[] = {
        {"two short captions", {"Yes", "No"}, 80, 200},
        {"three short captions", {"A", "B", "C"}, 80, 3 * 80 + 40 + 20},
        {"four short captions", {"Replace", "All", "Skip", "Stop"}, 80, 4 * 80 + 40 + 30},
        {"longest caption 13 characters", {"Thirteen char", "x"}, 13 * 5 + 20, 200},
        {"longest caption 14 characters, three buttons", {"a", "Fourteen chars", "b"}, 90, 3 * 90 + 40 + 20},
        {"longest caption 16 characters", {"Sixteen chars!!!", "y", "z"}, 100, 3 * 100 + 40 + 20},
        {"longest caption 12 characters", {"Twelve chars", "q"}, 80, 200},
        {"caption of 20 characters", {"Twenty characters!!!", "n"}, 80, 200},
    };
    for (const Case& c : cases) {
        BoxLook look = ShowAndLook("", "", c.captions, 0, 0);
        EXPECT_FALSE(look.hasMessage) << c.name << ": no message, no message control";
        EXPECT_EQ(look.window.right - look.window.left, c.boxWidth) << c.name;
        EXPECT_EQ(look.window.bottom - look.window.top, 150) << c.name;
        ASSERT_EQ(look.buttons.size(), c.captions.size()) << c.name;
        for (size_t i = 0; i < c.captions.size(); ++i) {
            const RECT& r = look.buttons[i];
            EXPECT_EQ(r.left, (int)i * c.buttonWidth + 10) << c.name << ", button " << i;
            EXPECT_EQ(r.top, ButtonRowY()) << c.name << ", button " << i;
            EXPECT_EQ(r.right - r.left, c.buttonWidth) << c.name << ", button " << i;
            EXPECT_EQ(r.bottom - r.top, 24) << c.name << ", button " << i;
            EXPECT_EQ(look.captions[i], std::string(c.captions[i]).substr(0, 15)) << c.name << ", button " << i;
        }
    }
}

TEST(ButtonBox, DefaultButtonHasTheStyleAndTheFocus)
{
    for (int defaultIndex = 0; defaultIndex < 4; ++defaultIndex) {
        BoxLook look = ShowAndLook("Caption", "", {"one", "two", "three", "four"}, 4, defaultIndex);
        ASSERT_EQ(look.buttons.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            bool isDefault = (look.styles[i] & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            EXPECT_EQ(isDefault, i == defaultIndex) << "default " << defaultIndex << ", button " << i;
        }
        EXPECT_EQ(look.focus, look.buttonWindows[defaultIndex]) << "default " << defaultIndex;
        EXPECT_EQ(look.caption, "Caption");
    }
}

TEST(ButtonBox, EveryWayToEndGivesItsResult)
{
    enum Way { kClick, kEnter, kEscape, kClose };
    struct Case {
        const char* name;
        Way way;
        int button;  // clicked button
        int defaultIndex;
        int expected;
    } cases[] = {
        {"click first", kClick, 0, 2, 0},      {"click second", kClick, 1, 2, 1},
        {"click third", kClick, 2, 0, 2},      {"click fourth", kClick, 3, 2, 3},
        {"Enter presses default 2", kEnter, 0, 2, 2}, {"Enter presses default 1", kEnter, 0, 1, 1},
        {"Escape", kEscape, 0, 2, -1},         {"system close", kClose, 0, 2, -1},
    };
    const char* captions[] = {"Replace", "All", "Skip", "Stop"};
    for (const Case& c : cases) {
        DriveOutcome outcome = DriveDialog(
            [&] { return (INT_PTR)ShowButtonBox(nullptr, "Overwrite", "file.txt exists", 4, captions, 4, c.defaultIndex); },
            [&](HWND dialog) {
                if (c.way == kClick) ClickButton(ChildOf(dialog, IDC_BUTTONBOX_FIRST + c.button, "Button"));
                if (c.way == kEnter) PressKey(dialog, VK_RETURN);
                if (c.way == kEscape) PressKey(dialog, VK_ESCAPE);
                if (c.way == kClose) CloseFromSystemMenu(dialog);
            });
        EXPECT_TRUE(outcome.found) << c.name;
        EXPECT_FALSE(outcome.leftOpen) << c.name;
        EXPECT_EQ(outcome.result, c.expected) << c.name;
    }
}

TEST(ButtonBox, LongerMessageMakesTheBoxTallerAndMovesTheButtonsDown)
{
    const char* captions[] = {"Replace", "All", "Skip", "Stop"};
    std::vector<const char*> four(captions, captions + 4);
    BoxLook oneLine = ShowAndLook("", "A short question?", four, 4, 2);
    std::string longText;
    for (int i = 0; i < 12; ++i) longText += "the quick brown fox jumps ";
    longText += "?";
    BoxLook manyLines = ShowAndLook("", longText.c_str(), four, 4, 2);

    ASSERT_TRUE(oneLine.hasMessage);
    ASSERT_TRUE(manyLines.hasMessage);
    int oneHeight = oneLine.message.bottom - oneLine.message.top;
    int manyHeight = manyLines.message.bottom - manyLines.message.top;
    EXPECT_GT(manyHeight, oneHeight) << "the long message wraps onto more lines";
    int growth = manyHeight - oneHeight;
    EXPECT_EQ((manyLines.window.bottom - manyLines.window.top) - (oneLine.window.bottom - oneLine.window.top), growth);
    EXPECT_EQ(manyLines.buttons[0].top - oneLine.buttons[0].top, growth);
    // The box grows by the text height less 30 from its 150 pixels, the buttons with it.
    EXPECT_EQ(oneLine.window.bottom - oneLine.window.top, 150 + oneHeight - 30);
    EXPECT_EQ(oneLine.buttons[0].top, ButtonRowY() + oneHeight - 30);
    EXPECT_EQ(manyLines.message.left, 60);
    EXPECT_EQ(manyLines.message.top, 20);
    EXPECT_LE(manyLines.message.right - manyLines.message.left, 520) << "wrapped at 520 pixels";
    EXPECT_GE(manyLines.window.right - manyLines.window.left,
              manyLines.message.right - manyLines.message.left + 80) << "widened for the text";
    EXPECT_LE(manyLines.window.right - manyLines.window.left, 600);
}

TEST(ButtonBox, AfterTheMessageTheButtonsAreSpreadAndCentredAndTheBoxIsCentred)
{
    struct Case {
        const char* name;
        std::vector<const char*> captions;
    } cases[] = {
        {"two buttons", {"Yes", "No"}},
        {"four buttons", {"Replace", "All", "Skip", "Stop"}},
        {"three wide buttons", {"Fourteen chars", "b", "c"}},
    };
    for (const Case& c : cases) {
        BoxLook look = ShowAndLook("", "Is this message long enough to widen the little box a bit?", c.captions, 1, 0);
        ASSERT_EQ(look.buttons.size(), c.captions.size()) << c.name;
        for (size_t i = 1; i < look.buttons.size(); ++i) {
            EXPECT_EQ(look.buttons[i].left - look.buttons[i - 1].right, 10) << c.name << ", gap before " << i;
            EXPECT_EQ(look.buttons[i].top, look.buttons[0].top) << c.name;
        }
        int leftMargin = look.buttons.front().left;
        int rightMargin = look.client.right - look.buttons.back().right;
        EXPECT_LE(std::abs(leftMargin - rightMargin), 1) << c.name << ": buttons centred";
        int width = look.window.right - look.window.left;
        int height = look.window.bottom - look.window.top;
        EXPECT_EQ(look.window.left, (look.desktop.right - width) / 2) << c.name;
        EXPECT_EQ(look.window.top, (look.desktop.bottom - height) / 2) << c.name;
    }
}

TEST(ButtonBox, DialogThatCannotBeCreatedAnswersMinusOne)
{
    const char* captions[] = {"a", "b"};
    // An owner that is no window makes the dialog manager refuse.
    HWND bogus = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7fff1234));
    EXPECT_EQ(ShowButtonBox(bogus, "x", "y", 2, captions, 1, 0), -1);
}

TEST(ButtonBox, IconsComeFromUser32OrFromTheProgramsResources)
{
    char library[MAX_PATH];
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    snprintf(library, sizeof library, "%s\\user32.dll", system);
    HICON icons[4] = {};
    ASSERT_EQ(LoadButtonBoxIcons(library, icons), 1) << library;
    const UINT index[4] = {1, 3, 4, 2};
    for (int kind = 1; kind <= 4; ++kind) {
        EXPECT_NE(icons[kind - 1], nullptr) << "kind " << kind;
        HICON expected = ExtractIconA(GetModuleHandleA(nullptr), library, index[kind - 1]);
        ICONINFO a = {}, b = {};
        ASSERT_TRUE(GetIconInfo(icons[kind - 1], &a)) << "kind " << kind;
        ASSERT_TRUE(GetIconInfo(expected, &b)) << "kind " << kind;
        BITMAP ba = {}, bb = {};
        GetObjectA(a.hbmColor ? a.hbmColor : a.hbmMask, sizeof ba, &ba);
        GetObjectA(b.hbmColor ? b.hbmColor : b.hbmMask, sizeof bb, &bb);
        EXPECT_EQ(ba.bmWidth, bb.bmWidth) << "kind " << kind;
        // Same icon: same colour bits.
        std::vector<unsigned char> bitsA(ba.bmWidthBytes * ba.bmHeight), bitsB(bb.bmWidthBytes * bb.bmHeight);
        GetBitmapBits(a.hbmColor ? a.hbmColor : a.hbmMask, (LONG)bitsA.size(), bitsA.data());
        GetBitmapBits(b.hbmColor ? b.hbmColor : b.hbmMask, (LONG)bitsB.size(), bitsB.data());
        EXPECT_EQ(bitsA, bitsB) << "kind " << kind << " is icon " << index[kind - 1] << " of user32.dll";
        for (ICONINFO* info : {&a, &b}) {
            if (info->hbmColor) DeleteObject(info->hbmColor);
            if (info->hbmMask) DeleteObject(info->hbmMask);
        }
        DestroyIcon(expected);
        DestroyIcon(icons[kind - 1]);
    }

    HICON fallback[4] = {};
    EXPECT_EQ(LoadButtonBoxIcons("C:\\no\\such\\library.dll", fallback), 0);
    const int resource[4] = {1002, 1001, 1004, 1003};
    for (int kind = 1; kind <= 4; ++kind) {
        EXPECT_EQ(fallback[kind - 1], LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource[kind - 1])))
            << "kind " << kind << " falls back to resource " << resource[kind - 1];
    }
}

TEST(ButtonBox, IconOfTheKindIsPaintedAtTenTen)
{
    struct Case {
        int kind;
        bool painted;
    } cases[] = {{1, true}, {2, true}, {3, true}, {4, true}, {0, false}};
    const char* captions[] = {"OK"};
    for (const Case& c : cases) {
        int differing = -1;
        DriveDialog([&] { return (INT_PTR)ShowButtonBox(nullptr, "Icon", "", 1, captions, c.kind, 0); },
                    [&](HWND dialog) {
                        BringToTop(dialog);
                        HDC dc = GetDC(dialog);
                        COLORREF face = GetPixel(dc, 5, 5);
                        differing = 0;
                        for (int y = 10; y < 42; ++y)
                            for (int x = 10; x < 42; ++x) differing += GetPixel(dc, x, y) != face;
                        ReleaseDC(dialog, dc);
                        CloseFromSystemMenu(dialog);
                    });
        if (c.painted) {
            EXPECT_GT(differing, 0) << "kind " << c.kind;
        } else {
            EXPECT_EQ(differing, 0) << "kind " << c.kind;
        }
    }
}

}  // namespace
