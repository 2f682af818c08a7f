// The site editor over a temporary registry: field rules as tables of typed
// input, and the OK, Cancel and closing flows as scenarios.
#include "monitor/ui/site_editor.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <vector>

#include "monitor/store/site_key.h"
#include "tests/monitor/store/store_fixture.h"
#include "tests/support/fake_engine_screen.h"
#include "tests/support/print_qstring.h"
#include "tests/support/widgets_app.h"

namespace ossivant::test {
namespace {

const QString kDuplicateTail = QStringLiteral(" already exists!\nPlease enter another URL.");

class SiteEditorTest : public StoreTest {
protected:
    static void SetUpTestSuite() {
        widgetsApplication();
        QApplication::setQuitOnLastWindowClosed(false);
    }
    SiteEditorTest() {
        store.RenumberSites();
        store.LoadSites(false, false);
        mainWindow.resize(600, 400);
        mainWindow.show();
    }

    void make() {
        SiteEditorHooks hooks;
        hooks.onOpened = [this] { ++opened; };
        hooks.onSaved = [this](std::int32_t index) { saved << index; };
        hooks.onClosed = [this] { ++closed; };
        editor = std::make_unique<frmSiteEditor>(&mainWindow, store, sites, messages, hooks);
        editor->setBeep([this] { ++beeps; });
    }
    void openNew() {
        make();
        editor->OpenNew();
        ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    }
    void openEdit(std::int32_t index) {
        make();
        editor->OpenEdit(index, sites[index]);
        ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    }

    std::int32_t addSite(const QString& url, const QString& ip = {}, int enabled = 1) {
        SiteRecord r;
        r.URL = url;
        r.IP = ip;
        r.TimeOut = 30;
        r.Enabled = std::uint8_t(enabled);
        return store.AddSite(r);
    }

    template <class T = QLineEdit>
    T* field(const char* name) {
        T* w = editor->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* ip(int box) { return field(QByteArray("txtIP" + QByteArray::number(box)).data()); }
    QString focused() {
        QWidget* w = QApplication::focusWidget();
        return w ? w->objectName() : QStringLiteral("(none)");
    }
    void clickOK() { QTest::mouseClick(field<QPushButton>("cmdOK"), Qt::LeftButton); }
    static QString site(const QString& url) { return "\\Address\\" + SiteKeyName(url); }

    QWidget mainWindow;  // stands for the main window the editor stays above
    RecordingMessages messages;
    SiteTable sites;
    SiteStore store{access, sites, messages};
    std::unique_ptr<frmSiteEditor> editor;
    int beeps = 0;
    int opened = 0;
    int closed = 0;
    QList<std::int32_t> saved;
};

// --- the form as it opens ----------------------------------------------------

TEST_F(SiteEditorTest, NewAndEditFormsLoadTheirFields) {
    openNew();
    EXPECT_EQ(editor->windowTitle(), "New Site");
    EXPECT_FALSE(editor->EditMode());
    EXPECT_EQ(editor->CurrentSite(), 1);
    EXPECT_EQ(editor->HelpContextID(), 10001);
    EXPECT_FALSE(editor->isModal());
    EXPECT_EQ(editor->parent(), nullptr);  // usable while the main window is disabled
    EXPECT_EQ(field("txtURL")->text(), "");
    EXPECT_EQ(field("txtTimeOut")->text(), "60");
    EXPECT_TRUE(field<QCheckBox>("chkEnable")->isChecked());
    for (int box = 1; box <= 4; ++box) EXPECT_EQ(ip(box)->text(), "") << box;
    EXPECT_EQ(focused(), "txtURL");

    EXPECT_EQ(field<QGroupBox>("fraAddress")->title(), "Site Address");
    const struct {
        const char* name;
        const char* text;
        const char* tip;
    } captions[] = {
        {"lblURL", "URL: http://", "URL you wish Ossivant to check."},
        {"lblIPAddress", "IP Address:", "IP Address you wish Ossivant to check."},
        {"lblTimeOut", "Time Out:", "Time (in seconds) for Ossivant to check before"},
        {"lblTimeUnit", "seconds.", ""},
    };
    for (const auto& c : captions) {
        EXPECT_EQ(field<QLabel>(c.name)->text(), c.text);
        EXPECT_EQ(field<QLabel>(c.name)->toolTip(), c.tip);
    }
    EXPECT_EQ(field<QCheckBox>("chkEnable")->text(), "Enable");
    EXPECT_EQ(field<QCheckBox>("chkEnable")->toolTip(),
              "Check this box to enable site for checks.");
    EXPECT_EQ(field<QPushButton>("cmdOK")->text(), "OK");
    EXPECT_EQ(field<QPushButton>("cmdCancel")->text(), "Cancel");

    // Tab follows the fields in their order.
    QStringList order;
    QWidget* w = field("txtURL");
    for (int i = 0; i < 9; ++i, w = w->nextInFocusChain()) {
        while (!(w->focusPolicy() & Qt::TabFocus)) w = w->nextInFocusChain();
        order << w->objectName();
    }
    EXPECT_EQ(order, QStringList({"txtURL", "txtIP1", "txtIP2", "txtIP3", "txtIP4", "txtTimeOut",
                                  "chkEnable", "cmdOK", "cmdCancel"}));
    editor->close();

    addSite("one.example");
    const std::int32_t two = addSite("Two.Example", "10.20.300.4", 0);
    sites[two].TimeOut = 45;
    openEdit(two);
    EXPECT_EQ(editor->windowTitle(), "Edit Site");
    EXPECT_TRUE(editor->EditMode());
    EXPECT_EQ(editor->CurrentSite(), 2);
    EXPECT_EQ(editor->HelpContextID(), 10002);
    EXPECT_EQ(field("txtURL")->text(), "Two.Example");
    EXPECT_EQ(field("txtTimeOut")->text(), "45");
    EXPECT_FALSE(field<QCheckBox>("chkEnable")->isChecked());
    // The parts are loaded as they are, and loading them moves no focus.
    EXPECT_EQ(ip(1)->text(), "10");
    EXPECT_EQ(ip(2)->text(), "20");
    EXPECT_EQ(ip(3)->text(), "300");
    EXPECT_EQ(ip(4)->text(), "4");
    EXPECT_EQ(focused(), "txtURL");
    EXPECT_EQ(field("txtURL")->selectedText(), "Two.Example");
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(beeps, 0);
}

// --- typing ------------------------------------------------------------------

struct IpRow {
    int box;
    const char* typed;
    const char* shown;
    int beeps;
    const char* focus;
};
void PrintTo(const IpRow& r, std::ostream* os) {
    *os << "box " << r.box << " '" << r.typed << "'";
}
class IpTyping : public SiteEditorTest, public ::testing::WithParamInterface<IpRow> {};

TEST_P(IpTyping, KeepsDigitsAndMovesOn) {
    const IpRow& row = GetParam();
    openNew();
    ip(row.box)->setFocus();
    QTest::keyClicks(ip(row.box), QString::fromLatin1(row.typed));
    EXPECT_EQ(ip(row.box)->text(), row.shown);
    EXPECT_EQ(beeps, row.beeps);
    EXPECT_EQ(focused(), row.focus);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, IpTyping,
    ::testing::Values(IpRow{1, "12", "12", 0, "txtIP1"}, IpRow{1, "12.", "12", 0, "txtIP2"},
                      IpRow{1, ".", "0", 0, "txtIP2"}, IpRow{2, "123", "123", 0, "txtIP3"},
                      IpRow{3, "1a2", "12", 1, "txtIP3"}, IpRow{1, "x,y", "", 3, "txtIP1"},
                      IpRow{2, "1-2", "12", 1, "txtIP2"}, IpRow{3, "255", "255", 0, "txtIP4"},
                      IpRow{4, "25.", "25", 0, "txtTimeOut"}, IpRow{4, ".", "0", 0, "txtTimeOut"},
                      IpRow{4, "1234", "1234", 0, "txtIP4"}, IpRow{4, "9z", "9", 1, "txtIP4"}));

TEST_F(SiteEditorTest, ArrowsAndEnterMoveBetweenTheAddressFields) {
    openNew();
    const struct {
        const char* from;
        Qt::Key key;
        const char* to;
    } moves[] = {
        {"txtIP1", Qt::Key_Right, "txtIP2"},  {"txtIP2", Qt::Key_Down, "txtIP3"},
        {"txtIP3", Qt::Key_Return, "txtIP4"}, {"txtIP4", Qt::Key_Right, "txtIP4"},
        {"txtIP4", Qt::Key_Return, "txtIP4"}, {"txtIP4", Qt::Key_Left, "txtIP3"},
        {"txtIP3", Qt::Key_Up, "txtIP2"},     {"txtIP2", Qt::Key_Left, "txtIP1"},
        {"txtIP1", Qt::Key_Up, "txtURL"},     {"txtIP1", Qt::Key_Enter, "txtIP2"},
    };
    for (const auto& m : moves) {
        QLineEdit* from = field(m.from);
        from->setFocus();
        QTest::keyClick(from, m.key);
        EXPECT_EQ(focused(), m.to) << m.from << " key " << m.key;
    }
    // Enter in the last box is not OK: nothing was said or stored.
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_TRUE(editor->isVisible());

    // Every box shows its whole text selected when the focus arrives.
    ip(2)->setText("77");
    field("txtTimeOut")->setFocus();
    ip(2)->setFocus();
    EXPECT_EQ(ip(2)->selectedText(), "77");
    field("txtURL")->setText("www.example.com");
    ip(1)->setFocus();
    QTest::keyClick(ip(1), Qt::Key_Left);
    EXPECT_EQ(field("txtURL")->selectedText(), "www.example.com");
}

struct UrlRow {
    const char* entered;
    const char* shown;
    int messages;
};
void PrintTo(const UrlRow& r, std::ostream* os) {
    *os << r.entered;
}
class UrlAgent : public SiteEditorTest, public ::testing::WithParamInterface<UrlRow> {};

TEST_P(UrlAgent, IsRemovedWithAWord) {
    const UrlRow& row = GetParam();
    openNew();
    field("txtURL")->insert(QString::fromLatin1(row.entered));  // pasted
    EXPECT_EQ(field("txtURL")->text(), row.shown);
    ASSERT_EQ(messages.texts.size(), row.messages);
    for (const QString& text : messages.texts)
        EXPECT_EQ(text, "Do not enter the agent, \"http://\".");
    if (row.messages > 0) {
        EXPECT_EQ(field("txtURL")->selectedText(), row.shown);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Rows, UrlAgent,
    ::testing::Values(UrlRow{"www.example.com", "www.example.com", 0},
                      UrlRow{"http://www.example.com/a", "www.example.com/a", 1},
                      UrlRow{"HTTP://Host.Example", "Host.Example", 1},
                      UrlRow{"http:/host.example", "host.example", 1},
                      UrlRow{"http:host.example", "host.example", 1},
                      UrlRow{"host.example/?to=http://x", "host.example/?to=x", 1},
                      UrlRow{"https://host.example", "https://host.example", 0},
                      UrlRow{"HTTPS://Host.Example/a", "HTTPS://Host.Example/a", 0}));

struct TimeOutRow {
    const char* typed;
    const char* shown;  // while the focus is still in the box
    int beeps;
    const char* message;  // when the focus leaves
    const char* left;     // the text afterwards
};
void PrintTo(const TimeOutRow& r, std::ostream* os) {
    *os << "'" << r.typed << "'";
}
class TimeOutTyping : public SiteEditorTest, public ::testing::WithParamInterface<TimeOutRow> {};

const char* const kBlank = "The Time Out field cannot be left blank.";
const char* const kRange = "Time Out values must be from 1 to 1800 seconds.";

TEST_P(TimeOutTyping, IsReformattedAndCheckedOnLeaving) {
    const TimeOutRow& row = GetParam();
    openNew();
    QLineEdit* box = field("txtTimeOut");
    box->setFocus();
    box->clear();
    QTest::keyClicks(box, QString::fromLatin1(row.typed));
    EXPECT_EQ(box->text(), row.shown);
    EXPECT_EQ(beeps, row.beeps);
    EXPECT_TRUE(messages.texts.isEmpty());

    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_EQ(focused(), "chkEnable");  // not held back
    EXPECT_EQ(messages.texts, *row.message ? QStringList{row.message} : QStringList{});
    EXPECT_EQ(box->text(), row.left);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, TimeOutTyping,
    ::testing::Values(TimeOutRow{"", "", 0, kBlank, "60"}, TimeOutRow{"0", "0", 0, kRange, "1"},
                      TimeOutRow{"3000", "3000", 0, kRange, "1800"},
                      TimeOutRow{"1801", "1801", 0, kRange, "1800"},
                      TimeOutRow{"1800", "1800", 0, "", "1800"}, TimeOutRow{"007", "7", 0, "", "7"},
                      TimeOutRow{"1x5", "15", 1, "", "15"}, TimeOutRow{"-3", "3", 1, "", "3"},
                      TimeOutRow{"ab", "", 2, kBlank, "60"}));

TEST_F(SiteEditorTest, LeavingTheTimeOutForCancelChecksNothing) {
    openNew();
    QLineEdit* box = field("txtTimeOut");
    box->setFocus();
    box->clear();
    QTest::mouseClick(field<QPushButton>("cmdCancel"), Qt::LeftButton);
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(sites.SiteCount(), 0);
}

// --- OK ----------------------------------------------------------------------

TEST_F(SiteEditorTest, OkStoresANewSiteWithTheAddressAsTyped) {
    openNew();
    QTest::keyClicks(field("txtURL"), "  WWW.Example.com ");
    ip(1)->setFocus();
    QTest::keyClicks(ip(1), "10");
    field("txtTimeOut")->setFocus();
    field("txtTimeOut")->setText("90");
    field<QCheckBox>("chkEnable")->setChecked(false);
    clickOK();

    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_FALSE(editor->isVisible());
    ASSERT_EQ(sites.SiteCount(), 1);
    EXPECT_EQ(sites[1].URL, "WWW.Example.com");
    EXPECT_EQ(sites[1].IP, "10.0.0.0");
    EXPECT_EQ(sites[1].TimeOut, 90);
    EXPECT_EQ(sites[1].Enabled, 0);
    EXPECT_EQ(sites[1].Status, StatusUnchecked);
    EXPECT_EQ(sites[1].Comments, "Added");
    EXPECT_EQ(text("\\AddressKey", "Domain1"), "www.example.com");
    EXPECT_EQ(text(site("www.example.com"), "IP"), "10.0.0.0");
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 1);
    EXPECT_EQ(saved, QList<std::int32_t>({1}));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(closed, 1);
}

// Typed key by key, an HTTPS address never reads "http:" on the way and is
// stored with its scheme.
TEST_F(SiteEditorTest, OkStoresAnHttpsAddressWithItsScheme) {
    openNew();
    QTest::keyClicks(field("txtURL"), "https://secure.example/login");
    field("txtTimeOut")->setFocus();
    field("txtTimeOut")->setText("30");
    clickOK();
    EXPECT_TRUE(messages.texts.isEmpty());
    ASSERT_EQ(sites.SiteCount(), 1);
    EXPECT_EQ(sites[1].URL, "https://secure.example/login");
}

TEST_F(SiteEditorTest, OkTakesTheAddressAsURLWhenThereIsNone) {
    openNew();
    ip(1)->setText("192");
    ip(2)->setText("007");
    ip(4)->setText("1000");
    clickOK();
    // Each box shows its number; no range is checked.
    EXPECT_EQ(ip(2)->text(), "7");
    EXPECT_EQ(ip(3)->text(), "0");
    ASSERT_EQ(sites.SiteCount(), 1);
    EXPECT_EQ(sites[1].URL, "192.7.0.1000");
    EXPECT_EQ(sites[1].IP, "");
    EXPECT_EQ(text(site("192.7.0.1000"), "URL"), "192.7.0.1000");
    EXPECT_EQ(text(site("192.7.0.1000"), "IP"), "");
}

TEST_F(SiteEditorTest, OkRefusesAnEmptyAddressAndADuplicate) {
    addSite("www.example.com");
    openNew();
    EXPECT_EQ(editor->CurrentSite(), 2);
    field("txtURL")->setText("   ");
    field("txtTimeOut")->setFocus();
    clickOK();
    EXPECT_EQ(messages.texts, QStringList({"You need to complete the URL Field."}));
    EXPECT_EQ(focused(), "txtURL");
    EXPECT_TRUE(editor->isVisible());

    messages.texts.clear();
    field("txtURL")->setText("WWW.Example.COM");
    field("txtTimeOut")->setFocus();
    clickOK();
    EXPECT_EQ(messages.texts, QStringList({"The URL http://WWW.Example.COM" + kDuplicateTail}));
    EXPECT_EQ(focused(), "txtURL");
    EXPECT_EQ(field("txtURL")->selectedText(), "WWW.Example.COM");
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(sites.SiteCount(), 1);
    EXPECT_EQ(text(site("www.example.com"), "URL"), "www.example.com");
    EXPECT_EQ(valueNames("\\AddressKey"), QStringList({"Domain1"}));
    EXPECT_TRUE(saved.isEmpty());
    EXPECT_EQ(closed, 0);

    // Another address goes through.
    messages.texts.clear();
    field("txtURL")->setText("www.example.org");
    clickOK();
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(sites.SiteCount(), 2);
    EXPECT_EQ(saved, QList<std::int32_t>({2}));
}

struct EditRow {
    const char* what;
    const char* url;
    const char* ip;
    bool enable;
    int status;
    const char* message;  // empty: saved
};
void PrintTo(const EditRow& r, std::ostream* os) {
    *os << r.what;
}
class EditOk : public SiteEditorTest, public ::testing::WithParamInterface<EditRow> {};

TEST_P(EditOk, KeepsTheStatusOnlyForTheSameEnabledAddress) {
    const EditRow& row = GetParam();
    addSite("first.example");
    addSite("taken.example");
    addSite("site.example", "1.2.3.4");
    sites[3].Status = StatusFailed;
    openEdit(3);
    field("txtURL")->setText(row.url);
    const QStringList parts = QString::fromLatin1(row.ip).split('.');
    for (int box = 1; box <= 4; ++box) ip(box)->setText(parts.value(box - 1));
    field("txtTimeOut")->setText("120");
    field<QCheckBox>("chkEnable")->setChecked(row.enable);
    clickOK();

    if (*row.message) {
        EXPECT_EQ(messages.texts, QStringList({row.message + kDuplicateTail}));
        EXPECT_TRUE(editor->isVisible());
        EXPECT_EQ(sites[3].URL, "site.example");
        EXPECT_EQ(sites[3].TimeOut, 30);
        EXPECT_EQ(number(site("site.example"), "Timeout"), 30);
        return;
    }
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(sites.SiteCount(), 3);
    EXPECT_EQ(sites[3].Status, row.status);
    EXPECT_EQ(sites[3].TimeOut, 120);
    EXPECT_EQ(sites[3].Comments, "Edited");
    EXPECT_EQ(number(site(row.url), "Status"), row.status);
    EXPECT_EQ(number(site(row.url), "Index"), 3);
    EXPECT_EQ(text("\\AddressKey", "Domain3"), SiteKeyName(row.url));
    EXPECT_EQ(hasKey(site("site.example")), SiteKeyName(row.url) == "site.example");
    EXPECT_EQ(saved, QList<std::int32_t>({3}));
}
INSTANTIATE_TEST_SUITE_P(
    Rows, EditOk,
    ::testing::Values(EditRow{"time-out only", "site.example", "1.2.3.4", true, StatusFailed, ""},
                      EditRow{"disabled", "site.example", "1.2.3.4", false, StatusUnchecked, ""},
                      EditRow{"new IP", "site.example", "1.2.3.5", true, StatusUnchecked, ""},
                      EditRow{"letter case, not a duplicate of itself", "Site.Example", "1.2.3.4",
                              true, StatusUnchecked, ""},
                      EditRow{"renamed", "renamed.example", "1.2.3.4", true, StatusUnchecked, ""},
                      EditRow{"renamed onto another site", "TAKEN.example", "1.2.3.4", true, 0,
                              "The URL http://TAKEN.example"}));

// Every way to OK runs the time-out's check first: no value outside 1..1800
// is stored, and the operator is told once.
enum class OkWay { Button, EnterInUrl, EnterInTimeOut };
struct OkTimeOutRow {
    OkWay way;
    const char* entered;  // put into the box as a paste would
    const char* message;
    int stored;
};
void PrintTo(const OkTimeOutRow& r, std::ostream* os) {
    const char* ways[] = {"button", "Enter in the URL", "Enter in the time-out"};
    *os << ways[int(r.way)] << " with '" << r.entered << "'";
}
class OkTimeOut : public SiteEditorTest, public ::testing::WithParamInterface<OkTimeOutRow> {};

TEST_P(OkTimeOut, IsCheckedBeforeItIsStored) {
    const OkTimeOutRow& row = GetParam();
    openNew();
    QLineEdit* url = field("txtURL");
    QLineEdit* box = field("txtTimeOut");
    url->setText("probe.example");
    box->setFocus();
    box->setText(QString::fromLatin1(row.entered));
    switch (row.way) {
        case OkWay::Button:
            clickOK();
            break;
        case OkWay::EnterInUrl:
            url->setFocus();
            QTest::keyClick(url, Qt::Key_Return);
            break;
        case OkWay::EnterInTimeOut:
            QTest::keyClick(box, Qt::Key_Enter);
            break;
    }
    EXPECT_EQ(messages.texts, *row.message ? QStringList{row.message} : QStringList{});
    ASSERT_EQ(sites.SiteCount(), 1);
    EXPECT_EQ(sites[1].TimeOut, row.stored);
    EXPECT_EQ(number(site("probe.example"), "Timeout"), row.stored);
    EXPECT_EQ(closed, 1);
}

std::vector<OkTimeOutRow> OkTimeOutRows() {
    const struct {
        const char* entered;
        const char* message;
        int stored;
    } values[] = {{"0", kRange, 1},     {"1", "", 1},       {"1800", "", 1800},
                  {"1801", kRange, 1800}, {"", kBlank, 60}, {"-5", kRange, 1}};
    std::vector<OkTimeOutRow> rows;
    for (OkWay way : {OkWay::Button, OkWay::EnterInUrl, OkWay::EnterInTimeOut})
        for (const auto& v : values) rows.push_back({way, v.entered, v.message, v.stored});
    return rows;
}
INSTANTIATE_TEST_SUITE_P(WaysAndValues, OkTimeOut, ::testing::ValuesIn(OkTimeOutRows()));

TEST_F(SiteEditorTest, AUrlTooLongForItsBoxIsShownWholeInTheTooltip) {
    openNew();
    QLineEdit* url = field("txtURL");
    const QString address = "www.example.com/" + QString(200, QLatin1Char('x')) + "/status";
    url->setText(address);
    EXPECT_EQ(url->toolTip(), address);
    url->setText("www.example.com");
    EXPECT_EQ(url->toolTip(), "");
}

// --- Cancel and closing ------------------------------------------------------

TEST_F(SiteEditorTest, EveryWayOutStoresNothingAndRunsTheHooksOnce) {
    addSite("kept.example");
    const struct {
        const char* way;
        std::function<void()> leave;
    } ways[] = {
        {"Cancel", [this] { field<QPushButton>("cmdCancel")->click(); }},
        {"Esc in a box", [this] { QTest::keyClick(ip(2), Qt::Key_Escape); }},
        {"Esc on Enable",
         [this] { QTest::keyClick(field<QCheckBox>("chkEnable"), Qt::Key_Escape); }},
        {"window closed", [this] { editor->close(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        opened = closed = 0;
        saved.clear();
        openEdit(1);
        field("txtURL")->setText("changed.example");
        ip(1)->setText("9");
        field<QCheckBox>("chkEnable")->setChecked(false);
        way.leave();
        EXPECT_FALSE(editor->isVisible());
        EXPECT_EQ(opened, 1);
        EXPECT_EQ(closed, 1);
        EXPECT_TRUE(saved.isEmpty());
        EXPECT_EQ(sites[1].URL, "kept.example");
        EXPECT_EQ(sites[1].Enabled, 1);
        EXPECT_FALSE(hasKey(site("changed.example")));
        EXPECT_EQ(text(site("kept.example"), "IP"), "");
        editor->close();  // closing again runs nothing
        EXPECT_EQ(closed, 1);
    }
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(SiteEditorTest, TheEditorCanBeOpenedAgainAfterItClosed) {
    make();
    editor->OpenNew();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    field("txtURL")->setText("a.example");
    ip(1)->setText("1");
    clickOK();
    addSite("b.example");
    editor->OpenEdit(2, sites[2]);
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    EXPECT_EQ(editor->windowTitle(), "Edit Site");
    EXPECT_EQ(ip(1)->text(), "");  // nothing left over from the last opening
    editor->OpenNew();
    EXPECT_EQ(field("txtURL")->text(), "");
    EXPECT_EQ(editor->CurrentSite(), 3);
    editor->close();
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(saved, QList<std::int32_t>({1}));
}

}  // namespace
}  // namespace ossivant::test
