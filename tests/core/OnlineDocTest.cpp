#include "docwindow/OnlineDocDesign.h"
#include "docwindow/frmOnlineDoc.h"
#include "platform/fake/FakeDesktop.h"

#include <gtest/gtest.h>

namespace autorun {
namespace {

using Entry = FakeDesktop::Entry;

const std::vector<std::string> kDesignTitles = {
    "File Descriptions All Volumes", "File Descriptions Voulme 1",     "File Descriptions Voulme 2",
    "File Descriptions Voulme 3",    "Software Development Utilities", "Development Standards"};

// A twip point inside lblCases element j and inside the installer entry.
ui::Point OnPlace(const ui::Window& window, int j)
{
    const ui::Rect r = window.Control(lblCases, j).Bounds();
    return {r.left + 30, r.top + 30};
}

class OnlineDocTest : public testing::Test {
protected:
    void SetUp() override { desktop_.programFolder = "D:\\"; }

    void Settings(const std::string& onlineDoc) { desktop_.files["D:\\autorun.inf"] = "[OnlineDoc]\r\n" + onlineDoc; }
    void Manual(const std::string& code, Entry entry = Entry::NormalFile)
    {
        desktop_.disc["D:\\docs\\" + code + "\\" + code + "DOC.PDF"] = entry;
    }

    // Shows the window once; `act` runs while it is open.
    void Show(const std::function<void(frmOnlineDoc&)>& act = {})
    {
        desktop_.whileModal = [&](Form& form) {
            places_.clear();
            for (int j = 0; j <= kHtmlFormatIndex; ++j)
                places_.push_back(form.Window().Control(lblCases, j));
            if (act)
                act(static_cast<frmOnlineDoc&>(form));
        };
        window_.Show();
    }

    void Click(frmOnlineDoc& form, ui::Point p)
    {
        form.MouseDown(p, MouseButton::Left);
        form.MouseUp(p, MouseButton::Left);
    }

    // The captions shown by the six catalogue places, with "*" marking the blue, enabled ones.
    std::vector<std::string> Catalogue() const
    {
        std::vector<std::string> shown;
        for (int j = 0; j < kCataloguePlaces; ++j) {
            const ui::Label& place = places_.at(static_cast<std::size_t>(j));
            if (place.Enabled()) {
                EXPECT_EQ(place.ForeColour(), ColorDocLink) << j;
                shown.push_back("*" + place.Caption());
            } else {
                EXPECT_EQ(place.ForeColour(), ColorDocGrey) << j;
                shown.push_back(place.Caption());
            }
        }
        return shown;
    }

    std::vector<std::string> Opened() const
    {
        std::vector<std::string> paths;
        for (const FakeDesktop::Request& r : desktop_.openedDocuments) {
            EXPECT_EQ(r.window, "frmOnlineDoc");
            paths.push_back(r.text);
        }
        return paths;
    }

    FakeDesktop desktop_;
    frmOnlineDoc window_{desktop_};
    std::vector<ui::Label> places_;
};

struct CatalogueCase {
    const char* name;
    const char* settings;
    std::vector<std::string> manuals;
    std::vector<std::string> shown; // "*" marks a live link
};

void PrintTo(const CatalogueCase& c, std::ostream* os)
{
    *os << c.name;
}

class CatalogueProbe : public OnlineDocTest, public testing::WithParamInterface<CatalogueCase> {};

TEST_P(CatalogueProbe, ListsTheManualsFoundPackedInKeyOrder)
{
    const CatalogueCase& c = GetParam();
    Settings(c.settings);
    for (const std::string& code : c.manuals)
        Manual(code);
    Show();
    EXPECT_EQ(Catalogue(), c.shown);
    const ui::Label& html = places_.at(kHtmlFormatIndex);
    EXPECT_EQ(html.Caption(), "HTML Format");
    EXPECT_TRUE(html.Enabled());
    EXPECT_EQ(html.ForeColour(), ColorDocLink);
}

const auto D = kDesignTitles;

INSTANTIATE_TEST_SUITE_P(
    Cases, CatalogueProbe,
    testing::Values(
        CatalogueCase{"NoSection", "", {"A1"}, D},
        CatalogueCase{"AllSixPresent",
                      "1=A1,One\r\n2=A2,Two\r\n3=A3,Three\r\n4=A4,Four\r\n5=A5,Five\r\n6=A6,Six\r\n",
                      {"A1", "A2", "A3", "A4", "A5", "A6"},
                      {"*One", "*Two", "*Three", "*Four", "*Five", "*Six"}},
        CatalogueCase{"KeysTwoAndFive", "2=B2,Second\r\n5=B5,Fifth\r\n", {"B2", "B5"},
                      {"*Second", "*Fifth", D[2], D[3], D[4], D[5]}},
        CatalogueCase{"OnlyTheThirdOnDisc", "1=C1,One\r\n2=C2,Two\r\n3=C3,Three\r\n", {"C3"},
                      {"*Three", D[1], D[2], D[3], D[4], D[5]}},
        CatalogueCase{"WithoutCommaOneCharacterOrEmpty", "1=NOCOMMA\r\n2=X\r\n3=\r\n4=D4,Four\r\n",
                      {"NOCOMMA", "D4"}, {"*Four", D[1], D[2], D[3], D[4], D[5]}},
        CatalogueCase{"EmptyCodeIsNeverProbed", "1=,Nameless\r\n", {""}, D},
        CatalogueCase{"EmptyDescriptionGivesAnEmptyLink", "1=E1,\r\n", {"E1"}, {"*", D[1], D[2], D[3], D[4], D[5]}},
        CatalogueCase{"SecondCommaStaysInTheDescription", "1=F1,Tools, utilities\r\n", {"F1"},
                      {"*Tools, utilities", D[1], D[2], D[3], D[4], D[5]}},
        CatalogueCase{"BlanksBelongToCodeAndDescription", "1=G1 , Spaced\r\n", {"G1 "},
                      {"* Spaced", D[1], D[2], D[3], D[4], D[5]}},
        CatalogueCase{"KeysSevenAndUpAreIgnored", "7=H7,Seventh\r\n8=H8,Eighth\r\n", {"H7", "H8"}, D},
        CatalogueCase{"LeadingZeroKeysAreNotFound", "01=I1,One\r\n", {"I1"}, D}),
    [](const testing::TestParamInfo<CatalogueCase>& row) { return row.param.name; });

TEST_F(OnlineDocTest, ProbesEachCodeAtItsExactPath)
{
    Settings("1=ABC,One\r\n2=G1 ,Two\r\n3=,Three\r\n");
    Show();
    EXPECT_EQ(desktop_.lookups, (std::vector<std::string>{"D:\\docs\\ABC\\ABCDOC.PDF", "D:\\docs\\G1 \\G1 DOC.PDF"}));
}

TEST_F(OnlineDocTest, HiddenFilesSystemFilesAndFoldersAreNoManuals)
{
    Settings("1=HID,Hidden\r\n2=SYS,System\r\n3=DIR,Folder\r\n4=OK,Present\r\n");
    Manual("HID", Entry::HiddenFile);
    Manual("SYS", Entry::SystemFile);
    Manual("DIR", Entry::Folder);
    Manual("OK");
    Show();
    EXPECT_EQ(Catalogue(), (std::vector<std::string>{"*Present", D[1], D[2], D[3], D[4], D[5]}));
}

TEST_F(OnlineDocTest, ALookupThatFailsCountsAsAbsentAndTheProbeGoesOn)
{
    Settings("1=BAD,Unreadable\r\n2=OK,Present\r\n");
    desktop_.findFailures.emplace("D:\\docs\\BAD\\BADDOC.PDF", Failure(5, "Cannot look: Input/output error"));
    Manual("BAD");
    Manual("OK");
    Show();
    EXPECT_EQ(Catalogue(), (std::vector<std::string>{"*Present", D[1], D[2], D[3], D[4], D[5]}));
    EXPECT_TRUE(desktop_.messages.empty());
}

TEST_F(OnlineDocTest, SlotsKeepTheirEntriesAcrossShowings)
{
    Settings("1=K1,First\r\n2=K2,Second\r\n");
    Manual("K1");
    Manual("K2");
    Show();
    // The settings lose key 1 and key 2 turns malformed: both slots keep what they had.
    Settings("2=K2\r\n");
    Show();
    EXPECT_EQ(Catalogue(), (std::vector<std::string>{"*First", "*Second", D[2], D[3], D[4], D[5]}));
}

TEST_F(OnlineDocTest, EveryShowingStartsFromTheDesign)
{
    Settings("1=K1,First\r\n");
    Manual("K1");
    Show();
    desktop_.disc.clear();
    Show();
    EXPECT_EQ(Catalogue(), D);
}

TEST_F(OnlineDocTest, UnusualSettingsFilesGiveTheDesign)
{
    std::string binary;
    for (int i = 0; i < 2048; ++i)
        binary += static_cast<char>((i * 131) & 0xFF);
    const struct {
        const char* what;
        std::string bytes;
    } files[] = {{"binary", binary}, {"empty", ""}, {"10 MB of =", std::string(10 * 1024 * 1024, '=')},
                 {"an unclosed header", "[OnlineDoc"}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.what);
        desktop_.files["D:\\autorun.inf"] = file.bytes;
        Show();
        EXPECT_EQ(Catalogue(), D);
    }
}

TEST_F(OnlineDocTest, AFailureWhileLoadingIsReportedAndWhatWasDoneStays)
{
    Settings("1=K1,First\r\n");
    Manual("K1");
    desktop_.programFolderFailure = Failure(-2147024894, "Cannot find the program's folder");
    Show();
    EXPECT_EQ(desktop_.messages,
              (std::vector<FakeDesktop::Request>{{"frmOnlineDoc", "-2147024894--Cannot find the program's folder"}}));
    EXPECT_EQ(Catalogue(), D);
    EXPECT_EQ(desktop_.modalShowings.size(), 1u); // still shown
}

TEST_F(OnlineDocTest, LinksOpenTheirDocumentsAtTheExactPathTexts)
{
    Settings("2=B2,Second\r\n5=B5,Fifth\r\n");
    Manual("B2");
    Manual("B5");
    Show([&](frmOnlineDoc& form) {
        Click(form, OnPlace(form.Window(), 0));
        Click(form, OnPlace(form.Window(), 1));
        Click(form, OnPlace(form.Window(), 1)); // the same link twice asks twice
        Click(form, OnPlace(form.Window(), kHtmlFormatIndex));
    });
    EXPECT_EQ(Opened(), (std::vector<std::string>{"D:\\\\docs\\B2\\B2DOC.PDF", "D:\\\\docs\\B5\\B5DOC.PDF",
                                                  "D:\\\\docs\\B5\\B5DOC.PDF", "D:\\\\docs\\basis\\html\\index.htm"}));
}

TEST_F(OnlineDocTest, GreyPlacesHeadingsAndTheImageDoNothing)
{
    Show([&](frmOnlineDoc& form) {
        for (int j = 0; j < kCataloguePlaces; ++j)
            Click(form, OnPlace(form.Window(), j));
        Click(form, {1000, 300});  // heading
        Click(form, {300, 200});   // image
        Click(form, {8000, 2000}); // bare window
        form.DoubleClick(OnPlace(form.Window(), 0), MouseButton::Left);
    });
    EXPECT_TRUE(desktop_.openedDocuments.empty());
    EXPECT_TRUE(desktop_.startedPrograms.empty());
}

TEST_F(OnlineDocTest, AFailureWhileOpeningIsReportedAndTheWindowStays)
{
    desktop_.openFailure = Failure(31, "A device attached to the system is not functioning.");
    Show([&](frmOnlineDoc& form) { Click(form, OnPlace(form.Window(), kHtmlFormatIndex)); });
    EXPECT_EQ(desktop_.messages, (std::vector<FakeDesktop::Request>{
                                     {"frmOnlineDoc", "31--A device attached to the system is not functioning."}}));
}

TEST_F(OnlineDocTest, TheInstallerEntryStartsTheReaderInstallerAsOneProgramPath)
{
    desktop_.programFolder = "\\media\\My Kit";
    Show([&](frmOnlineDoc& form) {
        const ui::Rect r = form.Window().Control(InstAcrobat, kInstAcrobatIndex).Bounds();
        Click(form, {r.left + 30, r.top + 30});
    });
    EXPECT_EQ(desktop_.startedPrograms,
              (std::vector<std::string>{"\\media\\My Kit\\Utils\\Acrobat\\AdbeRdr70_enu_full.exe"}));
}

TEST_F(OnlineDocTest, AnInstallerThatCannotStartIsReportedAndTheProgramGoesOn)
{
    desktop_.startFailure = Failure(2, "Cannot start \"D:/Utils/Acrobat/AdbeRdr70_enu_full.exe\": No such file or directory");
    Show([&](frmOnlineDoc& form) {
        const ui::Rect r = form.Window().Control(InstAcrobat, kInstAcrobatIndex).Bounds();
        Click(form, {r.left + 30, r.top + 30});
        Click(form, OnPlace(form.Window(), kHtmlFormatIndex));
    });
    ASSERT_EQ(desktop_.messages.size(), 1u);
    EXPECT_EQ(desktop_.messages[0].text,
              "2--Cannot start \"D:/Utils/Acrobat/AdbeRdr70_enu_full.exe\": No such file or directory");
    EXPECT_EQ(desktop_.openedDocuments.size(), 1u); // the window went on taking clicks
}

TEST_F(OnlineDocTest, TheCatalogueCountIsWhatTheProbeFound)
{
    Settings("1=K1,First\r\n3=K3,Third\r\n4=K4,Fourth\r\n");
    Manual("K1");
    Manual("K4");
    std::int16_t count = -1;
    Show([&](frmOnlineDoc& form) { count = form.FetchAvailablePDFs(); });
    EXPECT_EQ(count, 2);
}

} // namespace
} // namespace autorun
