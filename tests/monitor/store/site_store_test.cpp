#include "monitor/store/site_key.h"
#include "monitor/store/site_store.h"
#include "monitor/store/store_texts.h"
#include "tests/monitor/store/store_fixture.h"

#include <sqlite3.h>

#include <fstream>
#include <iterator>

namespace ossivant::test {
namespace {

class SiteStoreTest : public StoreTest {
protected:
    RecordingMessageBox messages;
    SiteTable sites;
    SiteStore store{access, sites, messages};

    static QString site(const QString& keyName) { return "\\Address\\" + keyName; }

    // A site key as it would be stored, values given one by one.
    void storeSite(const QString& url, int index, int status = 1, const QString& comments = "Site OK",
                   int enabled = 1, int timeOut = 30, const QString& ip = "") {
        const QString key = site(SiteKeyName(url));
        put(key, "Index", index);
        put(key, "URL", url);
        put(key, "IP", ip);
        put(key, "Comments", comments);
        put(key, "Enabled", enabled);
        put(key, "Status", status);
        put(key, "Timeout", timeOut);
    }
    void point(int n, const QString& keyName) { put("\\AddressKey", QString("Domain%1").arg(n), keyName); }

    QStringList urls() const {
        QStringList out;
        for (const SiteRecord& s : sites) out << s.URL;
        return out;
    }
    void startUp() {
        store.RenumberSites();
        store.LoadSites(false, false);
    }
};

TEST_F(SiteStoreTest, StartUpOnAnEmptyRegistryCreatesTheKeysQuietly) {
    startUp();
    EXPECT_TRUE(hasKey("\\AddressKey"));
    EXPECT_TRUE(hasKey("\\Address"));
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 0);
    EXPECT_EQ(sites.SiteCount(), 0);
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(SiteStoreTest, LoadAloneCreatesAMissingPointerKey) {
    store.LoadSites(false, false);
    EXPECT_TRUE(hasKey("\\AddressKey"));
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 0);
    EXPECT_TRUE(messages.texts.isEmpty());

    store.LoadSites(true, true);  // now present and empty
    EXPECT_EQ(sites.SiteCount(), 0);
    EXPECT_TRUE(messages.texts.isEmpty());
}

// The operator learns which file it is and what to do; the file is left as it is.
TEST_F(SiteStoreTest, AStoreThatIsNotARegistryIsReportedWithItsPathAndLeftUntouched) {
    TempDir dir;
    const std::string path = dir.file("registry.db");
    const std::string garbage(4096, 'g');
    std::ofstream(path) << garbage;
    reg::Registry broken(path);
    RegistryAccess brokenAccess(broken);
    SiteStore brokenStore(brokenAccess, sites, messages);
    sites.append({});
    brokenStore.RenumberSites();
    brokenStore.LoadSites(false, false);
    EXPECT_EQ(broken.Check(), reg::ERROR_BADDB);
    EXPECT_EQ(sites.SiteCount(), 0);
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(messages.texts[0], DamagedStoreText(path));
    EXPECT_TRUE(messages.texts[0].contains(QString::fromStdString(path)));
    EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("ossivant-reg import")));
    EXPECT_EQ(messages.buttons[0], MsgButtons::Ok);
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), garbage);
}

TEST_F(SiteStoreTest, APointerKeyThatCannotBeCreatedIsReported) {
    access.CreateKey(kHive, OssivantKey("\\Settings"));  // the store file exists
    reg::Registry impatient(temp.path(), 50);
    RegistryAccess impatientAccess(impatient);
    SiteStore impatientStore(impatientAccess, sites, messages);

    // Another process holds the write lock: reads work, writes do not.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(temp.path().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    impatientStore.LoadSites(false, false);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(messages.texts[0],
              "Error ccured while trying to create registry for Address.\n\nError: " +
                  QString::number(reg::ERROR_CANTWRITE));
    EXPECT_FALSE(hasKey("\\AddressKey"));
}

TEST_F(SiteStoreTest, StartUpResetsStatusAndCommentsInTheRegistryAndInMemory) {
    storeSite("a.example", 1, 3, "Down");
    storeSite("b.example", 2, 1, "Site OK", 0, 90, "10.0.0.2");
    startUp();
    ASSERT_EQ(sites.SiteCount(), 2);
    EXPECT_EQ(sites[1].URL, "a.example");
    EXPECT_EQ(sites[2].IP, "10.0.0.2");
    EXPECT_EQ(sites[2].Enabled, 0);
    EXPECT_EQ(sites[2].TimeOut, 90);
    for (int i : {1, 2}) {
        EXPECT_EQ(sites[i].Status, StatusNotChecked);
        EXPECT_EQ(sites[i].Comments, "");
    }
    for (const char* key : {"a.example", "b.example"}) {
        EXPECT_EQ(number(site(key), "Status"), 4);
        EXPECT_EQ(text(site(key), "Comments"), "");
    }
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 2);
}

TEST_F(SiteStoreTest, KeepFlagsKeepStatusAndCommentsApart) {
    storeSite("a.example", 1, 3, "Down");
    point(1, "a.example");
    store.LoadSites(true, false);
    EXPECT_EQ(sites[1].Status, 3);
    EXPECT_EQ(sites[1].Comments, "");
    EXPECT_EQ(number(site("a.example"), "Status"), 3);
    EXPECT_EQ(text(site("a.example"), "Comments"), "");

    put(site("a.example"), "Comments", QString("Down"));
    store.LoadSites(false, true);
    EXPECT_EQ(sites[1].Status, 0);
    EXPECT_EQ(sites[1].Comments, "Down");
    EXPECT_EQ(number(site("a.example"), "Status"), 4);
}

struct RangeRow {
    const char* name;
    int stored;
    int loaded;
};
void PrintTo(const RangeRow& r, std::ostream* os) { *os << r.name << "=" << r.stored; }
class ReadSiteKeyRanges : public SiteStoreTest, public ::testing::WithParamInterface<RangeRow> {};

TEST_P(ReadSiteKeyRanges, AreCorrectedOnReadAndNotWrittenBack) {
    const RangeRow& row = GetParam();
    storeSite("x.example", 1);
    put(site("x.example"), row.name, row.stored);
    SiteRecord r;
    ASSERT_EQ(store.ReadSiteKey("x.example", r, 1), kSiteRead);
    const int got = QString(row.name) == "Timeout" ? r.TimeOut
                    : QString(row.name) == "Status" ? r.Status
                                                    : r.Enabled;
    EXPECT_EQ(got, row.loaded);
    EXPECT_EQ(number(site("x.example"), row.name), row.stored);
}
INSTANTIATE_TEST_SUITE_P(Rows, ReadSiteKeyRanges,
                         ::testing::Values(RangeRow{"Timeout", 0, 1}, RangeRow{"Timeout", -3, 1},
                                           RangeRow{"Timeout", 1, 1}, RangeRow{"Timeout", 1800, 1800},
                                           RangeRow{"Timeout", 5000, 1800},
                                           RangeRow{"Status", 7, 4}, RangeRow{"Status", 0, 4},
                                           RangeRow{"Status", 2, 2}, RangeRow{"Enabled", 3, 0},
                                           RangeRow{"Enabled", 256, 0}, RangeRow{"Enabled", 1, 1}));

TEST_F(SiteStoreTest, ReadSiteKeyResults) {
    storeSite("x.example", 4);
    SiteRecord r;
    r.Comments = "old";
    EXPECT_EQ(store.ReadSiteKey("x.example", r, 4), kSiteRead);
    EXPECT_EQ(r.Comments, "Site OK");
    EXPECT_EQ(store.ReadSiteKey("x.example", r, 3), kSiteIndexDiffers);
    EXPECT_EQ(r.URL, "x.example");

    put(site("nourl"), "Index", 1);
    EXPECT_EQ(store.ReadSiteKey("nourl", r, 1), kSiteUnusable);
    EXPECT_EQ(r.URL, "");
    put(site("blank"), "URL", QString("   "));
    EXPECT_EQ(store.ReadSiteKey("blank", r, 1), kSiteUnusable);
    put(site("numeric"), "URL", 7);
    EXPECT_EQ(store.ReadSiteKey("numeric", r, 1), kSiteUnusable);
    EXPECT_EQ(store.ReadSiteKey("absent", r, 1), kSiteUnusable);

    put(site("bare"), "URL", QString("bare"));  // no other values: zero, empty, time-out 1
    EXPECT_EQ(store.ReadSiteKey("bare", r, 0), kSiteRead);
    EXPECT_EQ(r.IP, "");
    EXPECT_EQ(r.Enabled, 0);
    EXPECT_EQ(r.Status, StatusUnchecked);
    EXPECT_EQ(r.TimeOut, 1);
}

TEST_F(SiteStoreTest, LoadSkipsUnfitPointersWithoutGapsAndDropsThoseWithoutAURL) {
    storeSite("a.example", 1);
    storeSite("c.example", 3);
    storeSite("d.example", 4);
    put(site("nourl"), "Index", 2);
    point(1, "a.example");
    point(2, "nourl");
    put("\\AddressKey", "Domain3", 3);                 // not a string
    put("\\AddressKey", "Domain5", QString("  "));     // blank
    put("\\AddressKey", "Pointer6", QString("c.example"));  // not a pointer name
    put("\\AddressKey", "domain7", QString("c.example"));
    point(8, "d.example");
    store.LoadSites(true, true);
    EXPECT_EQ(urls(), QStringList({"a.example", "c.example", "d.example"}));
    EXPECT_EQ(valueNames("\\AddressKey"),
              QStringList({"Domain1", "Domain3", "Domain5", "Pointer6", "domain7", "Domain8"}));
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 3);
    EXPECT_TRUE(messages.texts.isEmpty());

    store.RenumberSites();  // the key without a URL goes now
    EXPECT_FALSE(hasKey(site("nourl")));
}

TEST_F(SiteStoreTest, LoadFollowsThePointerNumbersNotTheirStoredOrder) {
    storeSite("one.example", 1);
    storeSite("two.example", 2);
    storeSite("ten.example", 10);
    point(10, "ten.example");
    point(2, "two.example");
    point(1, "one.example");
    store.LoadSites(true, true);
    EXPECT_EQ(urls(), QStringList({"one.example", "two.example", "ten.example"}));
}

TEST_F(SiteStoreTest, ASiteWhoseIndexDisagreesIsLoadedAndRepairedByRenumbering) {
    storeSite("a.example", 7);
    point(1, "a.example");
    store.LoadSites(true, true);
    ASSERT_EQ(sites.SiteCount(), 1);
    store.RenumberSites();
    EXPECT_EQ(number(site("a.example"), "Index"), 1);
}

TEST_F(SiteStoreTest, RenumberingOrdersByStoredIndexAndRewritesThePointers) {
    storeSite("five.example", 5);
    storeSite("Two.Example", 2);
    storeSite("nine.example", 9);
    put(site("noindex.example"), "URL", QString("noindex.example"));
    point(1, "nine.example");
    point(2, "gone.example");
    point(3, "five.example");
    point(4, "two.example");
    point(5, "noindex.example");
    store.RenumberSites();
    EXPECT_EQ(valueNames("\\AddressKey"), QStringList({"Domain1", "Domain2", "Domain3", "Domain4"}));
    EXPECT_EQ(text("\\AddressKey", "Domain1"), "noindex.example");
    EXPECT_EQ(text("\\AddressKey", "Domain2"), "two.example");
    EXPECT_EQ(text("\\AddressKey", "Domain3"), "five.example");
    EXPECT_EQ(text("\\AddressKey", "Domain4"), "nine.example");
    EXPECT_EQ(number(site("two.example"), "Index"), 2);
    EXPECT_EQ(number(site("five.example"), "Index"), 3);
    EXPECT_EQ(number(site("nine.example"), "Index"), 4);
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 4);

    store.LoadSites(true, true);
    EXPECT_EQ(urls(), QStringList({"noindex.example", "Two.Example", "five.example", "nine.example"}));
}

TEST_F(SiteStoreTest, RenumberingDeletesKeysWithoutAMatchingURL) {
    storeSite("kept.example", 1);
    storeSite("other.example", 2);
    put(site("moved.example"), "URL", QString("elsewhere.example"));
    put(site("empty.example"), "Index", 3);
    store.RenumberSites();
    QStringList keys;
    access.EnumKeys(kHive, OssivantKey("\\Address"), keys, 1000, 1000);
    EXPECT_EQ(keys, QStringList({"kept.example", "other.example"}));
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 2);
}

TEST_F(SiteStoreTest, RenumberingDiscardsEveryPointerEvenWhenTheKeyCannotBeDeleted) {
    storeSite("a.example", 1);
    point(1, "a.example");
    point(2, "stale.example");
    access.CreateKey(kHive, OssivantKey("\\AddressKey\\Sub"));
    store.RenumberSites();
    EXPECT_EQ(valueNames("\\AddressKey"), QStringList({"Domain1"}));
}

TEST_F(SiteStoreTest, SaveSiteWritesEntryValuesInOrder) {
    SiteRecord r{"10.1.2.3", "Shop.Example/Cart", StatusFailed, 1, 45, "Server Error"};
    const int i = sites.append(r);
    store.SaveSite(i, false);  // no key yet: nothing is created
    EXPECT_FALSE(hasKey(site("shop.example/cart")));
    EXPECT_FALSE(hasKey("\\AddressKey"));

    access.CreateKey(kHive, OssivantKey("\\AddressKey"));
    store.SaveSite(i, true);
    EXPECT_EQ(text("\\AddressKey", "Domain1"), "shop.example/cart");
    const QString key = site("shop.example/cart");
    EXPECT_EQ(valueNames(key),
              QStringList({"Index", "URL", "IP", "Comments", "Enabled", "Status", "Timeout"}));
    EXPECT_EQ(number(key, "Index"), 1);
    EXPECT_EQ(text(key, "URL"), "Shop.Example/Cart");
    EXPECT_EQ(text(key, "IP"), "10.1.2.3");
    EXPECT_EQ(text(key, "Comments"), "Server Error");
    EXPECT_EQ(number(key, "Enabled"), 1);
    EXPECT_EQ(number(key, "Status"), 3);
    EXPECT_EQ(number(key, "Timeout"), 45);

    sites[i].Comments = "Site OK";
    sites[i].Status = StatusOK;
    store.SaveSite(i, false);
    EXPECT_EQ(text(key, "Comments"), "Site OK");
    EXPECT_EQ(number(key, "Status"), 1);
    store.SaveSite(0, false);  // no such entry: nothing happens
    store.SaveSite(5, true);
}

TEST_F(SiteStoreTest, WriteSiteKeyStoresAFreeRecordWithoutAPointer) {
    SiteRecord r{"", "Import.Example\\Path", StatusUnchecked, 1, 60, "Import New"};
    store.WriteSiteKey(r, 0);
    const QString key = site("import.example%5cpath");
    EXPECT_EQ(number(key, "Index"), 2000);
    EXPECT_EQ(text(key, "URL"), "Import.Example\\Path");
    EXPECT_EQ(text(key, "Comments"), "Import New");
    EXPECT_EQ(valueNames(key).first(), "Index");
    EXPECT_FALSE(hasKey("\\AddressKey"));
    store.WriteSiteKey(r, 7);
    EXPECT_EQ(number(key, "Index"), 7);

    store.RenumberSites();
    store.LoadSites(true, true);
    EXPECT_EQ(text("\\AddressKey", "Domain1"), "import.example%5cpath");
    ASSERT_EQ(sites.SiteCount(), 1);
    EXPECT_EQ(sites[1].URL, "Import.Example\\Path");
    EXPECT_EQ(sites[1].Comments, "Import New");
}

TEST_F(SiteStoreTest, ImportedSitesComeAfterTheNumberedOnes) {
    storeSite("old.example", 1);
    store.WriteSiteKey({"", "new.example", StatusUnchecked, 1, 60, "Import New"}, 0);
    store.WriteSiteKey({"", "a-new.example", StatusUnchecked, 1, 60, "Import New"}, 0);
    store.RenumberSites();
    store.LoadSites(true, true);
    EXPECT_EQ(urls().first(), "old.example");
    EXPECT_EQ(sites.SiteCount(), 3);
}

TEST_F(SiteStoreTest, AHandWrittenPointerWithABackslashResetsTheKeyItWasReadFrom) {
    storeSite("host.example\\odd", 1, 3, "Down");
    point(1, "host.example\\odd");  // not escaped, as a hand-made list might hold it
    store.LoadSites(false, false);
    ASSERT_EQ(sites.SiteCount(), 1);
    EXPECT_EQ(number(site("host.example%5codd"), "Status"), 4);
    EXPECT_EQ(text(site("host.example%5codd"), "Comments"), "");
    EXPECT_FALSE(hasKey(site("host.example")));
}

TEST_F(SiteStoreTest, ASiteWithoutAURLIsNeverWrittenIntoTheListKey) {
    store.SaveSiteCount(0);
    const int i = sites.append({});
    store.SaveSite(i, true);
    store.WriteSiteKey(SiteRecord{}, 0);
    EXPECT_EQ(valueNames("\\Address"), QStringList({"NumActualDomain"}));
    EXPECT_FALSE(hasKey("\\AddressKey"));
}

TEST_F(SiteStoreTest, SaveSiteCountCreatesTheKeyOnlyForZero) {
    store.SaveSiteCount(3);
    EXPECT_FALSE(hasKey("\\Address"));
    store.SaveSiteCount(0);
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 0);
    store.SaveSiteCount(3);
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 3);
}

}  // namespace
}  // namespace ossivant::test
