#include "QtTestSupport.h"

#include "docwindow/OnlineDocDesign.h"
#include "launcher/AutoRunDesign.h"
#include "platform/qt/Pictures.h"

#include <QRegularExpression>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace autorun::qt::test {
namespace {

const QColor kLinkBlue(0, 0, 255);
const QColor kGrey(128, 128, 128);

ui::Label& Place(FormView& view, int index)
{
    return view.Model().Window().Control(lblCases, index);
}

QPoint Centre(FormView& view, ui::ControlId control, int index)
{
    return PixelCentre(view.Model().Window().Control(control, index).Bounds());
}

// The shown documentation window, reached the way the user reaches it; closed after action.
void InDocumentationWindow(DiscDesktop& desktop, const std::function<void(FormView& doc)>& action)
{
    RunProgram(desktop, [&](FormView& launcher) {
        const QPoint documentation = PixelCentre(launcher.Model().Window().Control(lblBtnText, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(launcher, documentation, "frmOnlineDoc", action));
    });
}

class DocWindowView : public ::testing::Test {
protected:
    DocWindowView()
    {
        disc_.WriteInf(std::string(kLauncherSettings) + "[OnlineDoc]\n"
                                           "1=VOL,File Descriptions All Volumes\n"
                                           "2=MISS,Not on this disc\n"
                                           "3=V1,File Descriptions Volume 1\n"
                                           "4=UTL,Software Development Utilities\n");
        for (const char* code : {"VOL", "V1", "UTL"})
            disc_.AddManual(code);
    }

    TestDisc disc_;
    XdgOpenStandIn xdgOpen_;
    DiscDesktop desktop_{disc_};
    BoxCloser boxes_;
};

TEST_F(DocWindowView, FoundManualsAreBlueLinksAndTheOtherPlacesGrey)
{
    InDocumentationWindow(desktop_, [&](FormView& doc) {
        const std::string found[] = {"File Descriptions All Volumes", "File Descriptions Volume 1",
                                     "Software Development Utilities"};
        // Disabled text is grey whatever its colour.
        Place(doc, 5).SetForeColour(0x000000FF);
        const QImage shown = Rendered(doc);
        EXPECT_EQ(CountNear(shown, PixelRect(Place(doc, 5).Bounds()), QColor(255, 0, 0)), 0);
        for (int place = 0; place < kCataloguePlaces; ++place) {
            SCOPED_TRACE(place);
            const QRect box = PixelRect(Place(doc, place).Bounds());
            if (place < 3) {
                EXPECT_TRUE(Place(doc, place).Enabled());
                EXPECT_EQ(Place(doc, place).Caption(), found[place]);
                EXPECT_GT(CountNear(shown, box, kLinkBlue), 20);
                EXPECT_EQ(CountNear(shown, box, kGrey, 8), 0);
            } else {
                EXPECT_FALSE(Place(doc, place).Enabled());
                EXPECT_GT(CountNear(shown, box, kGrey, 8), 20);
                EXPECT_EQ(CountNear(shown, box, kLinkBlue), 0);
            }
        }
        // The document picture at its place, unscaled.
        const QImage picture = Picture(ui::Resource::DocumentImage).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shown.copy(QRect(QPoint(16, 8), picture.size())), picture);
    });
}

TEST_F(DocWindowView, PointerIsTheHandOnlyOverLinksThatWork)
{
    struct Case {
        ui::ControlId control;
        int index;
        bool hand;
    };
    const Case cases[] = {{lblCases, 0, true},    {lblCases, 4, false},   {lblCases, kHtmlFormatIndex, true},
                          {lblTopics, 1, false},  {InstAcrobat, kInstAcrobatIndex, true}, {lblCases, 3, false}};

    InDocumentationWindow(desktop_, [&](FormView& doc) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.control.name) + " " + std::to_string(c.index));
            QTest::mouseMove(doc.windowHandle(), Centre(doc, c.control, c.index));
            const QCursor cursor = doc.cursor();
            if (!c.hand) {
                EXPECT_EQ(cursor.shape(), Qt::ArrowCursor);
                continue;
            }
            ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
            EXPECT_EQ(cursor.hotSpot(), QPoint(13, 9));
            const QImage hand = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(hand.size(), QSize(32, 32));
            EXPECT_EQ(qAlpha(hand.pixel(0, 0)), 0);           // outside the hand
            EXPECT_EQ(hand.pixel(13, 9), qRgb(0, 0, 0));      // the fingertip's outline
            EXPECT_EQ(hand.pixel(13, 12), qRgb(255, 255, 255)); // inside the finger
        }
    });
}

TEST_F(DocWindowView, ClickingALinkOpensItsDocument)
{
    InDocumentationWindow(desktop_, [&](FormView& doc) {
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, 4)); // greyed: nothing
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, 1));
        ASSERT_TRUE(xdgOpen_.WaitForCalls(1));
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, kHtmlFormatIndex));
        ASSERT_TRUE(xdgOpen_.WaitForCalls(2));
    });
    const std::vector<std::string> expected = {Normalised(disc_.Root() / "docs" / "V1" / "V1DOC.PDF"),
                                               Normalised(disc_.Root() / "docs" / "basis" / "html" / "index.htm")};
    EXPECT_EQ(xdgOpen_.OpenedPaths(), expected);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(DocWindowView, MissingInstallerIsReportedAndTheWindowCarriesOn)
{
    InDocumentationWindow(desktop_, [&](FormView& doc) {
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, InstAcrobat, kInstAcrobatIndex));
        ASSERT_TRUE(boxes_.WaitForBoxes(1));
        const BoxCloser::Box& box = boxes_.Boxes().front();
        EXPECT_EQ(box.title, "Autorun");
        EXPECT_TRUE(box.text.contains(QRegularExpression("^2--Cannot start"))) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains("AdbeRdr70_enu_full.exe")) << box.text.toStdString();
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
        EXPECT_EQ(box.buttons, QMessageBox::Ok);
        EXPECT_EQ(box.parent, &doc);

        EXPECT_EQ(FindView("frmOnlineDoc"), &doc);
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, 0));
        ASSERT_TRUE(xdgOpen_.WaitForCalls(1));
    });
    EXPECT_EQ(xdgOpen_.OpenedPaths(), std::vector<std::string>{Normalised(disc_.Root() / "docs" / "VOL" / "VOLDOC.PDF")});
}

TEST_F(DocWindowView, DocumentThatCannotBeOpenedIsReportedNamingIt)
{
    InDocumentationWindow(desktop_, [&](FormView& doc) {
        const QString manual = QString::fromStdString((disc_.Root() / "docs" / "UTL" / "UTLDOC.PDF").string());
        xdgOpen_.ExitWith(3);
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, 2));
        ASSERT_TRUE(boxes_.WaitForBoxes(1));
        EXPECT_EQ(boxes_.Boxes()[0].title, "Autorun");
        EXPECT_TRUE(boxes_.Boxes()[0].text.contains(manual)) << boxes_.Boxes()[0].text.toStdString();
        EXPECT_TRUE(boxes_.Boxes()[0].text.contains("No program")) << boxes_.Boxes()[0].text.toStdString();
        EXPECT_EQ(boxes_.Boxes()[0].parent, &doc);

        // With no xdg-open at all the document is named too, and the window stays.
        xdgOpen_.Remove();
        QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, 2));
        ASSERT_TRUE(boxes_.WaitForBoxes(2));
        EXPECT_EQ(boxes_.Boxes()[1].title, "Autorun");
        EXPECT_TRUE(boxes_.Boxes()[1].text.contains(manual)) << boxes_.Boxes()[1].text.toStdString();
        EXPECT_EQ(FindView("frmOnlineDoc"), &doc);
    });
}

TEST_F(DocWindowView, ADiscEmptiedWhileTheWindowIsOpenIsNoFailure)
{
    RunProgram(desktop_, [&](FormView& launcher) {
        const QPoint documentation = PixelCentre(launcher.Model().Window().Control(lblBtnText, 0).Bounds());
        EXPECT_TRUE(DoubleClickIntoModal(launcher, documentation, "frmOnlineDoc", [&](FormView& doc) {
            for (const auto& entry : std::filesystem::directory_iterator(disc_.Root()))
                std::filesystem::remove_all(entry.path());
            // The request goes to the desktop unchanged; what it makes of a missing file is its own affair.
            QTest::mouseClick(doc.windowHandle(), Qt::LeftButton, {}, Centre(doc, lblCases, 0));
            ASSERT_TRUE(xdgOpen_.WaitForCalls(1));
        }));
        // Shown again from the empty disc: no manual is found, so every place keeps its design.
        EXPECT_TRUE(DoubleClickIntoModal(launcher, documentation, "frmOnlineDoc", [&](FormView& doc) {
            for (int j = 0; j < kCataloguePlaces; ++j)
                EXPECT_FALSE(Place(doc, j).Enabled()) << j;
            EXPECT_EQ(Place(doc, 1).Caption(), "File Descriptions Voulme 1");
            EXPECT_EQ(CountNear(Rendered(doc), PixelRect(Place(doc, 0).Bounds()), kLinkBlue, 20), 0);
        }));
    });
    EXPECT_EQ(xdgOpen_.OpenedPaths(), std::vector<std::string>{Normalised(disc_.Root() / "docs" / "VOL" / "VOLDOC.PDF")});
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(DocWindowView, CaptionsStayInsideTheirLabels)
{
    disc_.WriteInf(std::string(kLauncherSettings) + "[OnlineDoc]\n"
                                       "1=VOL,Supercalifragilisticexpialidociousness && more words below\n"
                                       "2=V1,Volume 1\n"
                                       "3=UTL,Utilities\n"
                                       "4=STD,Tom && Jerry: a description long enough to need a second line\n");
    disc_.AddManual("STD");
    InDocumentationWindow(desktop_, [&](FormView& doc) {
        EXPECT_EQ(Place(doc, 3).Caption(), "Tom && Jerry: a description long enough to need a second line");
        const QImage shown = Rendered(doc);
        for (int place : {0, 3}) {
            SCOPED_TRACE(place);
            const QRect box = PixelRect(Place(doc, place).Bounds());
            EXPECT_GT(CountNear(shown, box, kLinkBlue), 20);
            // The free rows below the label, up to the next place, and the free space to its right.
            const QRect below(box.left() - 8, box.bottom() + 1, box.width() + 56, 16);
            const QRect right(box.right() + 1, box.top(), 56, box.height());
            EXPECT_EQ(CountOther(shown, below, kWhite), 0);
            EXPECT_EQ(CountOther(shown, right, kWhite), 0);
        }
    });
}

TEST_F(DocWindowView, AmpersandsUnderlineOrShowAsTheyShould)
{
    // The heading font, to find where each character of "VELMO" lies.
    QFont font("Arial");
    font.setPixelSize(16);
    font.setBold(true);
    const QFontMetrics metrics(font);
    const auto column = [&](const char* text) { return metrics.horizontalAdvance(QString::fromLatin1(text)); };

    struct Case {
        std::string caption;
        // Compared with "VELMO": the columns from the label's left edge where the drawing may differ.
        int firstColumn;
        int lastColumn;
        int minRows; // 0: no difference at all
        int maxRows;
    };
    const Case cases[] = {
        {"&VELMO", 0, column("V"), 1, 2},                  // the V underlined
        {"VEL&MO", column("VEL"), column("VELM"), 1, 2},   // the M underlined
        {"VELMO&&", column("VELMO"), column("VELMO&"), 8, 16}, // an ampersand drawn after the word
        {"VELMO&", 0, 0, 0, 0},                            // a lone ampersand at the end is not drawn
    };

    InDocumentationWindow(desktop_, [&](FormView& doc) {
        ui::Label& heading = doc.Model().Window().Control(lblTopics, 1);
        const QRect box = PixelRect(heading.Bounds());
        heading.SetCaption("VELMO");
        const QImage plain = Rendered(doc);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.caption);
            heading.SetCaption(c.caption);
            const QImage shown = Rendered(doc);
            QRect changed;
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    if (shown.pixel(x, y) != plain.pixel(x, y))
                        changed |= QRect(x, y, 1, 1);
                }
            }
            if (c.maxRows == 0) {
                EXPECT_TRUE(changed.isNull());
                continue;
            }
            ASSERT_FALSE(changed.isNull());
            EXPECT_TRUE(box.contains(changed));
            EXPECT_GE(changed.height(), c.minRows);
            EXPECT_LE(changed.height(), c.maxRows);
            // One column of slack each side for antialiasing.
            EXPECT_GE(changed.left() - box.left(), c.firstColumn - 1);
            EXPECT_LE(changed.right() - box.left(), c.lastColumn + 1);
        }
    });
}

} // namespace
} // namespace autorun::qt::test
