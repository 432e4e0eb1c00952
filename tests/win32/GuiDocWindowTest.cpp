// The documentation window in a real Win32 window, opened from the launcher as the user opens it:
// its links, pointer, what clicks start, and the boxes that report what cannot be done.
#include "GuiTestSupport.h"

#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"
#include "platform/win32/Pictures.h"
#include "ui/Appearance.h"
#include "platform/win32/WideText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <optional>

namespace autorun::win32::test {
namespace {

namespace fs = std::filesystem;

constexpr COLORREF kLinkBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

const ui::Label& Place(const Shown& doc, int index)
{
    return doc.Control(lblCases, index);
}

POINT Centre(const Shown& doc, ui::ControlId control, int index)
{
    return PixelCentre(doc.Control(control, index).Bounds());
}

// The shown documentation window, reached the way the user reaches it; closed after action.
void InDocumentationWindow(DiscDesktop& desktop, const std::function<void(const Shown& doc)>& action)
{
    RunProgram(desktop, [&](const Shown& launcher) {
        const POINT documentation = PixelCentre(launcher.Control(lblBtnText, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(desktop, launcher, documentation, "frmOnlineDoc", action));
    });
}

// Makes the shell open .pdf and .htm files with the stand-in, which logs each call; the
// associations the prefix had come back when it goes. Wine's shell reads the machine's classes only.
class ShellOpensWithStandIn {
public:
    ShellOpensWithStandIn()
    {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);
        log_ = fs::path(base) / (L"autorun open " + std::to_wstring(GetCurrentProcessId()) + L".log");
        fs::remove(log_);
        SetEnvironmentVariableW(L"AUTORUN_OPEN_LOG", log_.c_str());
        const std::wstring command = L"\"" + Wide(AUTORUN_OPEN_STAND_IN) + L"\" \"%1\"";
        SetDefault(kProgId + std::wstring(L"\\shell\\open\\command"), command);
        for (const wchar_t* extension : {L".pdf", L".htm"})
            SetDefault(extension, kProgId);
    }
    ~ShellOpensWithStandIn()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->created) {
                RegDeleteTreeW(HKEY_CLASSES_ROOT, it->key.c_str());
            } else {
                HKEY key = nullptr;
                if (RegOpenKeyExW(HKEY_CLASSES_ROOT, it->key.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                    Set(key, it->value);
                    RegCloseKey(key);
                }
            }
        }
        SetEnvironmentVariableW(L"AUTORUN_OPEN_LOG", nullptr);
        std::error_code ignored;
        fs::remove(log_, ignored);
    }
    ShellOpensWithStandIn(const ShellOpensWithStandIn&) = delete;
    ShellOpensWithStandIn& operator=(const ShellOpensWithStandIn&) = delete;

    struct Call {
        int show = 0;
        int arguments = 0;
        std::string path;
    };

    std::vector<Call> Calls() const
    {
        std::ifstream log(log_, std::ios::binary);
        std::vector<Call> calls;
        // Only whole lines: a call still being written is not one yet.
        for (std::string line; std::getline(log, line) && !log.eof();) {
            const std::size_t first = line.find('|');
            const std::size_t second = line.find('|', first + 1);
            if (second == std::string::npos)
                continue;
            calls.push_back({std::stoi(line.substr(0, first)), std::stoi(line.substr(first + 1, second - first - 1)),
                             Normalised(line.substr(second + 1))});
        }
        return calls;
    }

    bool WaitForCalls(std::size_t count) const
    {
        return PumpUntil([&] { return Calls().size() >= count; });
    }

private:
    static constexpr const wchar_t* kProgId = L"AutorunTest.Document";

    struct Saved {
        std::wstring key;
        bool created;
        std::wstring value;
    };

    static void Set(HKEY key, const std::wstring& value)
    {
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

    void SetDefault(const std::wstring& name, const std::wstring& value)
    {
        HKEY key = nullptr;
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  &disposition),
                  ERROR_SUCCESS);
        Saved saved{name, disposition == REG_CREATED_NEW_KEY, {}};
        wchar_t old[MAX_PATH] = {};
        DWORD size = sizeof old;
        if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS)
            saved.value = old;
        saved_.push_back(saved);
        Set(key, value);
        RegCloseKey(key);
    }

    fs::path log_;
    std::vector<Saved> saved_;
};

class DocWindow : public ::testing::Test {
protected:
    DocWindow()
    {
        disc_.WriteInf(std::string(kLauncherSettings) + "[OnlineDoc]\n"
                                                         "1=VOL,File Descriptions All Volumes\n"
                                                         "2=MISS,Not on this disc\n"
                                                         "3=V1,File Descriptions Volume 1\n"
                                                         "4=UTL,Software Development Utilities\n");
        for (const char* code : {"VOL", "V1", "UTL"})
            disc_.AddManual(code);
        disc_.WriteFile("docs\\basis\\html\\index.htm", "<html></html>\n");
    }

    std::string Manual(std::string_view code) const
    {
        const std::string name(code);
        return disc_.Text(fs::path("docs") / name / (name + "DOC.PDF"));
    }

    TestDisc disc_;
    DiscDesktop desktop_{disc_};
    ShellOpensWithStandIn shell_;
    BoxCloser boxes_;
};

TEST_F(DocWindow, FoundManualsAreBlueLinksAndTheOtherPlacesGrey)
{
    // Disabled text is drawn in the desktop's grey for it, whatever its colour.
    const COLORREF grey = GetSysColor(COLOR_BTNSHADOW);
    ASSERT_TRUE(GetRValue(grey) == GetGValue(grey) && GetGValue(grey) == GetBValue(grey) && GetRValue(grey) < 224);
    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        const std::string found[] = {"File Descriptions All Volumes", "File Descriptions Volume 1",
                                     "Software Development Utilities"};
        doc.Control(lblCases, 5).SetForeColour(0x000000FF);
        const Image shown = Rendered(doc.handle);
        EXPECT_EQ(CountNear(shown, PixelRect(Place(doc, 5).Bounds()), kRed), 0);
        for (int place = 0; place < kCataloguePlaces; ++place) {
            SCOPED_TRACE(place);
            const RECT box = PixelRect(Place(doc, place).Bounds());
            if (place < 3) {
                EXPECT_TRUE(Place(doc, place).Enabled());
                EXPECT_EQ(Place(doc, place).Caption(), found[place]);
                EXPECT_GT(CountNear(shown, box, kLinkBlue), 20);
                EXPECT_EQ(CountNear(shown, box, grey, 8), 0);
            } else {
                EXPECT_FALSE(Place(doc, place).Enabled());
                EXPECT_GT(CountNear(shown, box, grey, 8), 20);
                EXPECT_EQ(CountNear(shown, box, kLinkBlue), 0);
            }
        }
        EXPECT_GT(CountNear(shown, PixelRect(Place(doc, kHtmlFormatIndex).Bounds()), kLinkBlue), 20);
        const RECT installer = PixelRect(doc.Control(InstAcrobat, kInstAcrobatIndex).Bounds());
        EXPECT_GT(CountNear(shown, installer, kRed), 20);
        EXPECT_EQ(CountNear(shown, installer, kLinkBlue), 0);
        // Headings in the desktop's text colour.
        EXPECT_GT(CountNear(shown, PixelRect(doc.Control(lblTopics, 1).Bounds()), GetSysColor(COLOR_BTNTEXT), 8), 20);

        // The document picture at its place, unscaled.
        const Image picture = FromBitmap(PictureBitmap(ui::Resource::DocumentImage));
        ASSERT_GT(picture.width, 0);
        EXPECT_GT(DistinctColours(picture), 2);
        EXPECT_TRUE(shown.Part({16, 8, 16 + picture.width, 8 + picture.height}) == picture);
    });
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(DocWindow, PointerIsTheHandOnlyOverLinksThatWork)
{
    struct Case {
        ui::ControlId control;
        int index;
        bool hand;
    };
    const Case cases[] = {{lblCases, 0, true},   {lblCases, 4, false},
                          {lblCases, kHtmlFormatIndex, true}, {lblTopics, 1, false},
                          {InstAcrobat, kInstAcrobatIndex, true}, {lblCases, 3, false}};
    const auto hand = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(static_cast<int>(ui::Resource::HandPointer)));
    ASSERT_NE(hand, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(hand, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 13U);
    EXPECT_EQ(info.yHotspot, 9U);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    EXPECT_EQ(IconPixelAt(hand, 32, 0, 0), IconPixel::Clear);  // outside the hand
    EXPECT_EQ(IconPixelAt(hand, 32, 13, 9), IconPixel::Black); // the fingertip's outline
    EXPECT_EQ(IconPixelAt(hand, 32, 13, 12), IconPixel::White); // inside the finger

    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.control.name) + " " + std::to_string(c.index));
            const HCURSOR cursor = CursorAt(doc.handle, Centre(doc, c.control, c.index));
            EXPECT_EQ(cursor, c.hand ? hand : LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
        }
    });
}

TEST_F(DocWindow, ClickingALinkAsksTheShellToOpenItsDocument)
{
    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        Click(doc.handle, Centre(doc, lblCases, 4)); // greyed: nothing
        Click(doc.handle, Centre(doc, lblCases, 1));
        ASSERT_TRUE(shell_.WaitForCalls(1));
        Click(doc.handle, Centre(doc, lblCases, kHtmlFormatIndex));
        ASSERT_TRUE(shell_.WaitForCalls(2));
        EXPECT_TRUE(IsWindowVisible(doc.handle));
        EXPECT_TRUE(desktop_.Find("frmOnlineDoc"));
    });
    const std::vector<ShellOpensWithStandIn::Call> calls = shell_.Calls();
    ASSERT_EQ(calls.size(), 2U);
    const std::string expected[] = {Manual("V1"), disc_.Text("docs\\basis\\html\\index.htm")};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].path, expected[i]);
        EXPECT_EQ(calls[i].arguments, 1);
        EXPECT_EQ(calls[i].show, SW_SHOWMAXIMIZED);
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// The link whose text carries the dotted focus frame: the only one whose top row, above its letters,
// is not plain white, with everything else as drawn without a focus. Null for none.
const ui::Label* FramedLink(const Shown& doc, const Image& plain)
{
    const Image shown = Painted(doc.handle);
    const ui::Label* framed = nullptr;
    for (const ui::Label& label : doc.Model().Labels()) {
        if (label.AccessibleRole() != ui::Role::Link)
            continue;
        const RECT box = PixelRect(label.Bounds());
        const int dots = CountOther(shown, {box.left, box.top, box.right, box.top + 1}, kWhite);
        if (dots == 0)
            continue;
        EXPECT_EQ(framed, nullptr) << "a second frame round " << label.Caption();
        // Dotted: every other pixel of a row as long as the text.
        EXPECT_GE(dots, 20) << label.Caption();
        EXPECT_LE(dots, (box.right - box.left) / 2 + 1) << label.Caption();
        framed = &label;
    }
    const RECT box = framed != nullptr ? PixelRect(framed->Bounds()) : RECT{};
    int outside = 0;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            if (shown.At(x, y) != plain.At(x, y) && !PtInRect(&box, POINT{x, y}))
                ++outside;
        }
    }
    EXPECT_EQ(outside, 0) << "pixels changed outside the framed link";
    return framed;
}

TEST_F(DocWindow, TabFramesTheLinksThatWorkInTurnAndNothingBeforeAKey)
{
    struct Step {
        Keystroke key;
        ui::ControlId control;
        int index;
    };
    const Step steps[] = {{{VK_TAB}, lblCases, 0},
                          {{VK_TAB}, lblCases, 1},
                          {{VK_DOWN}, lblCases, 2},
                          {{VK_TAB}, lblCases, kHtmlFormatIndex},
                          {{VK_RIGHT}, InstAcrobat, kInstAcrobatIndex},
                          {{VK_TAB}, lblCases, 0},
                          {{VK_TAB, true}, InstAcrobat, kInstAcrobatIndex},
                          {{VK_UP}, lblCases, kHtmlFormatIndex}};
    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        EXPECT_EQ(GetFocus(), doc.handle);
        const Image plain = Rendered(doc.handle);
        EXPECT_EQ(FramedLink(doc, plain), nullptr);
        for (const Step& step : steps) {
            SCOPED_TRACE(std::string(step.control.name) + " " + std::to_string(step.index));
            PressKeys(doc.handle, {step.key});
            const ui::Label* framed = FramedLink(doc, plain);
            EXPECT_EQ(framed, &doc.Control(step.control, step.index));
        }
        // The pointer over a link neither frames it nor moves the frame.
        MouseMove(doc.handle, Centre(doc, lblCases, 1));
        EXPECT_EQ(FramedLink(doc, plain), &doc.Control(lblCases, kHtmlFormatIndex));
    });
    EXPECT_TRUE(shell_.Calls().empty());
}

TEST_F(DocWindow, EnterOrSpaceOpensTheFramedManual)
{
    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        PressKeys(doc.handle, {{VK_TAB}, {VK_RETURN}});
        ASSERT_TRUE(shell_.WaitForCalls(1));
        PressKeys(doc.handle, {{VK_TAB}, {VK_TAB}, {VK_SPACE}});
        ASSERT_TRUE(shell_.WaitForCalls(2));
        EXPECT_TRUE(IsWindowVisible(doc.handle));
    });
    const std::vector<ShellOpensWithStandIn::Call> calls = shell_.Calls();
    ASSERT_EQ(calls.size(), 2U);
    EXPECT_EQ(calls[0].path, Manual("VOL"));
    EXPECT_EQ(calls[1].path, Manual("UTL"));
    EXPECT_EQ(calls[1].show, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(DocWindow, ScreenReadersSeeLinksHeadingsAndWhichLinksWork)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        std::optional<ScreenReader> reader;
        const POINT documentation = PixelCentre(launcher.Control(lblBtnText, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(desktop_, launcher, documentation, "frmOnlineDoc", [&](const Shown& doc) {
            const auto id = [&](ui::ControlId control, int index) {
                return static_cast<long>(doc.Model().PositionOf(doc.Control(control, index))) + 1;
            };
            doc.Control(lblTopics, 1).SetCaption("Tom && &Jerry");
            reader.emplace(doc.handle);
            ASSERT_TRUE(reader->Connected());
            struct Case {
                ui::ControlId control;
                int index;
                AccessibleChild expected;
            };
            constexpr long kLink = ROLE_SYSTEM_LINK;
            constexpr long kWorks = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED;
            constexpr long kGrey = STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_LINKED;
            const Case cases[] = {
                {lblCases, 0, {kLink, "File Descriptions All Volumes", "", kWorks, "Jump"}},
                {lblCases, 2, {kLink, "Software Development Utilities", "", kWorks, "Jump"}},
                {lblCases, 3, {kLink, "File Descriptions Voulme 3", "", kGrey, ""}},
                {lblCases, kHtmlFormatIndex, {kLink, "HTML Format", "", kWorks, "Jump"}},
                {InstAcrobat, kInstAcrobatIndex, {kLink, "Install Adobe Acrobat Reader", "", kWorks, "Jump"}},
                // Static text reads as read-only, as on every desktop.
                {lblTopics, 1, {ROLE_SYSTEM_STATICTEXT, "Tom & Jerry", "", STATE_SYSTEM_READONLY, ""}},
            };
            for (const Case& c : cases) {
                SCOPED_TRACE(std::string(c.control.name) + " " + std::to_string(c.index));
                AccessibleChild child;
                reader->Do([&](IAccessible& object) { child = Describe(object, id(c.control, c.index)); });
                EXPECT_EQ(child, c.expected);
            }

            // A link's default action opens its manual; a greyed one's does nothing.
            HRESULT greyed = S_OK;
            HRESULT found = E_FAIL;
            reader->Do([&](IAccessible& object) {
                greyed = object.accDoDefaultAction(ChildId(id(lblCases, 4)));
                found = object.accDoDefaultAction(ChildId(id(lblCases, 1)));
            });
            EXPECT_TRUE(FAILED(greyed));
            EXPECT_EQ(found, S_OK);
            EXPECT_TRUE(shell_.WaitForCalls(1));
        }));
        // The window has gone; a reader that still holds its object is told so, and nothing breaks.
        ASSERT_TRUE(reader);
        HRESULT gone = S_OK;
        reader->Do([&](IAccessible& object) {
            long count = 0;
            gone = object.get_accChildCount(&count);
        });
        EXPECT_TRUE(FAILED(gone));
        reader.reset();
    });
    const std::vector<ShellOpensWithStandIn::Call> calls = shell_.Calls();
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].path, Manual("V1"));
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(DocWindow, MissingInstallerIsReportedAndTheWindowCarriesOn)
{
    struct Case {
        const char* what;
        bool folder;
        DWORD error;
    };
    const Case cases[] = {{"the installer's folder without it", true, ERROR_FILE_NOT_FOUND},
                          {"no installer's folder", false, ERROR_PATH_NOT_FOUND}};
    const std::string installer = disc_.Text("Utils\\Acrobat\\AdbeRdr70_enu_full.exe");

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(disc_.Root() / "Utils");
        if (c.folder)
            fs::create_directories(disc_.Root() / "Utils" / "Acrobat");
        const std::size_t boxes = boxes_.Boxes().size();
        const std::size_t calls = shell_.Calls().size();
        InDocumentationWindow(desktop_, [&](const Shown& doc) {
            Click(doc.handle, Centre(doc, InstAcrobat, kInstAcrobatIndex));
            ASSERT_TRUE(boxes_.WaitForBoxes(boxes + 1));
            const BoxCloser::Box& box = boxes_.Boxes().back();
            EXPECT_EQ(box.title, "Autorun");
            EXPECT_EQ(box.text, std::to_string(c.error) + "--Cannot start \"" + installer + "\": " + SystemMessage(c.error));
            EXPECT_FALSE(box.icon);
            EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
            EXPECT_EQ(box.owner, doc.handle);

            EXPECT_TRUE(IsWindowVisible(doc.handle));
            EXPECT_TRUE(IsWindowEnabled(doc.handle));
            Click(doc.handle, Centre(doc, lblCases, 0));
            ASSERT_TRUE(shell_.WaitForCalls(calls + 1));
            EXPECT_EQ(shell_.Calls().back().path, Manual("VOL"));
        });
        EXPECT_EQ(boxes_.Boxes().size(), boxes + 1);
    }
}

TEST_F(DocWindow, InstallerOnTheDiscIsStarted)
{
    const fs::path installer = disc_.Root() / "Utils" / "Acrobat" / "AdbeRdr70_enu_full.exe";
    fs::create_directories(installer.parent_path());
    fs::copy_file(fs::path(AUTORUN_INSTALLER_STAND_IN), installer);
    const fs::path log = disc_.Root() / "installer.log";
    SetEnvironmentVariableW(L"AUTORUN_STANDIN_LOG", log.c_str());
    const auto started = [&] {
        std::ifstream in(log);
        std::string line;
        return std::getline(in, line) && line == "installer-started";
    };

    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        Click(doc.handle, Centre(doc, InstAcrobat, kInstAcrobatIndex));
        EXPECT_TRUE(PumpUntil(started));
        EXPECT_TRUE(IsWindowVisible(doc.handle));
    });
    SetEnvironmentVariableW(L"AUTORUN_STANDIN_LOG", nullptr);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(DocWindow, ADiscEmptiedWhileTheWindowIsOpenIsNoFailure)
{
    RunProgram(desktop_, [&](const Shown& launcher) {
        const POINT documentation = PixelCentre(launcher.Control(lblBtnText, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(desktop_, launcher, documentation, "frmOnlineDoc", [&](const Shown& doc) {
            for (const auto& entry : fs::directory_iterator(disc_.Root()))
                fs::remove_all(entry.path());
            // The request goes to the shell unchanged; what it makes of a missing file is its own affair.
            Click(doc.handle, Centre(doc, lblCases, 0));
            EXPECT_TRUE(IsWindowVisible(doc.handle));
        }));
        // Shown again from the empty disc: no manual is found, so every place keeps its design.
        EXPECT_TRUE(DoubleClickIntoModal(desktop_, launcher, documentation, "frmOnlineDoc", [&](const Shown& doc) {
            for (int j = 0; j < kCataloguePlaces; ++j)
                EXPECT_FALSE(Place(doc, j).Enabled()) << j;
            EXPECT_EQ(Place(doc, 1).Caption(), "File Descriptions Voulme 1");
            EXPECT_EQ(CountNear(Painted(doc.handle), PixelRect(Place(doc, 0).Bounds()), kLinkBlue, 20), 0);
        }));
    });
    EXPECT_TRUE(shell_.Calls().empty());
    for (const BoxCloser::Box& box : boxes_.Boxes())
        EXPECT_NE(box.title, "Autorun") << box.text;
}

TEST_F(DocWindow, CaptionsStayInsideTheirLabels)
{
    disc_.WriteInf(std::string(kLauncherSettings) + "[OnlineDoc]\n"
                                                     "1=VOL,Supercalifragilisticexpialidociousness && more words below\n"
                                                     "2=V1,Volume 1\n"
                                                     "3=UTL,Utilities\n"
                                                     "4=STD,Tom && Jerry: a description long enough to need a second line\n");
    disc_.AddManual("STD");
    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        EXPECT_EQ(Place(doc, 3).Caption(), "Tom && Jerry: a description long enough to need a second line");
        const Image shown = Painted(doc.handle);
        for (int place : {0, 3}) {
            SCOPED_TRACE(place);
            const RECT box = PixelRect(Place(doc, place).Bounds());
            EXPECT_GT(CountNear(shown, box, kLinkBlue), 20);
            // The free rows below the label, up to the next place, and the free space to its right.
            const RECT below{box.left - 8, box.bottom, box.right + 48, box.bottom + 16};
            const RECT right{box.right, box.top, box.right + 56, box.bottom};
            EXPECT_EQ(CountOther(shown, below, kWhite), 0);
            EXPECT_EQ(CountOther(shown, right, kWhite), 0);
        }
    });
}

// The width of text in the heading font, as the window lays it out.
int HeadingWidth(const wchar_t* text)
{
    const HFONT font = CreateFontW(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    return size.cx;
}

TEST_F(DocWindow, AmpersandsUnderlineOrShowAsTheyShould)
{
    struct Case {
        std::string caption;
        // Compared with "VELMO": the columns from the label's left edge where the drawing may differ.
        int firstColumn;
        int lastColumn;
        int minRows;
        int maxRows;
    };
    const Case cases[] = {
        {"&VELMO", 0, HeadingWidth(L"V"), 1, 2},                          // the V underlined
        {"VEL&MO", HeadingWidth(L"VEL"), HeadingWidth(L"VELM"), 1, 2},    // the M underlined
        {"VELMO&&", HeadingWidth(L"VELMO"), HeadingWidth(L"VELMO&"), 8, 16}, // an ampersand drawn after the word
        {"&&VELMO", 0, HeadingWidth(L"&VELMO"), 8, 16},                   // the word moved right by one
    };

    InDocumentationWindow(desktop_, [&](const Shown& doc) {
        ui::Label& heading = doc.Control(lblTopics, 1);
        const RECT box = PixelRect(heading.Bounds());
        heading.SetCaption("VELMO");
        const Image plain = Rendered(doc.handle);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.caption);
            heading.SetCaption(c.caption);
            const Image shown = Rendered(doc.handle);
            RECT changed{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
            for (int y = 0; y < shown.height; ++y) {
                for (int x = 0; x < shown.width; ++x) {
                    if (shown.At(x, y) == plain.At(x, y))
                        continue;
                    changed = {std::min<LONG>(changed.left, x), std::min<LONG>(changed.top, y),
                               std::max<LONG>(changed.right, x + 1), std::max<LONG>(changed.bottom, y + 1)};
                }
            }
            ASSERT_NE(changed.left, LONG_MAX) << "drawn as \"VELMO\"";
            EXPECT_GE(changed.left, box.left);
            EXPECT_GE(changed.top, box.top);
            EXPECT_LE(changed.right, box.right);
            EXPECT_LE(changed.bottom, box.bottom);
            EXPECT_GE(changed.bottom - changed.top, c.minRows);
            EXPECT_LE(changed.bottom - changed.top, c.maxRows);
            // One column of slack each side for antialiasing.
            EXPECT_GE(changed.left - box.left, c.firstColumn - 1);
            EXPECT_LE(changed.right - 1 - box.left, c.lastColumn + 1);
        }
    });
}

} // namespace
} // namespace autorun::win32::test
