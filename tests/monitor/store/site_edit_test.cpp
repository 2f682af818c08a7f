// The store operations behind the site editor and the delete command.
#include "monitor/store/site_key.h"
#include "monitor/store/site_store.h"
#include "tests/monitor/store/store_fixture.h"

namespace ossivant::test {
namespace {

class SiteEditTest : public StoreTest {
protected:
    RecordingMessageBox messages;
    SiteTable sites;
    SiteStore store{access, sites, messages};

    void SetUp() override {
        store.RenumberSites();
        store.LoadSites(false, false);
    }
    static SiteRecord entered(const QString& url, const QString& ip = "", int timeOut = 60,
                              int enabled = 1) {
        SiteRecord r;
        r.URL = url;
        r.IP = ip;
        r.TimeOut = timeOut;
        r.Enabled = std::uint8_t(enabled);
        return r;
    }
    static QString site(const QString& keyName) { return "\\Address\\" + keyName; }
};

TEST_F(SiteEditTest, ANewSiteIsStoredUnderItsLowerCaseKey) {
    EXPECT_FALSE(store.IsUrlTaken("WWW.Example.com"));
    const int i = store.AddSite(entered("WWW.Example.com", "10.0.0.0", 30));
    EXPECT_EQ(i, 1);
    EXPECT_EQ(sites.SiteCount(), 1);
    EXPECT_EQ(sites[1].Status, StatusUnchecked);
    EXPECT_EQ(sites[1].Comments, "Added");
    EXPECT_EQ(text("\\AddressKey", "Domain1"), "www.example.com");
    EXPECT_EQ(text(site("www.example.com"), "URL"), "WWW.Example.com");
    EXPECT_EQ(text(site("www.example.com"), "IP"), "10.0.0.0");
    EXPECT_EQ(number(site("www.example.com"), "Timeout"), 30);
    EXPECT_EQ(number(site("www.example.com"), "Status"), 4);
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 1);

    // The same address in another letter case is the same site.
    EXPECT_TRUE(store.IsUrlTaken("www.example.com"));
    EXPECT_TRUE(store.IsUrlTaken(" www.EXAMPLE.com "));
    EXPECT_FALSE(store.IsUrlTaken("www.example.org"));
    EXPECT_FALSE(store.IsUrlTaken(""));

    EXPECT_EQ(store.AddSite(entered("second.example")), 2);
    EXPECT_EQ(text("\\AddressKey", "Domain2"), "second.example");
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 2);
}

TEST_F(SiteEditTest, AURLWithABackslashIsStoredUnderAnEscapedKey) {
    store.AddSite(entered("host.example\\odd"));
    EXPECT_EQ(text(site("host.example%5codd"), "URL"), "host.example\\odd");
    EXPECT_TRUE(store.IsUrlTaken("host.example\\odd"));
    store.RenumberSites();
    store.LoadSites(true, true);
    ASSERT_EQ(sites.SiteCount(), 1);
    EXPECT_EQ(sites[1].URL, "host.example\\odd");
}

struct StatusRow {
    const char* what;
    const char* url;
    const char* ip;
    int enabled;
    int status;  // after the edit
};
void PrintTo(const StatusRow& r, std::ostream* os) { *os << r.what; }
class EditStatus : public SiteEditTest, public ::testing::WithParamInterface<StatusRow> {};

TEST_P(EditStatus, SurvivesOnlyForAnEnabledSiteWithTheSameAddress) {
    const StatusRow& row = GetParam();
    store.AddSite(entered("site.example", "1.2.3.4", 60, 1));
    sites[1].Status = StatusFailed;
    const SiteRecord before = sites[1];
    store.EditSite(1, before, entered(row.url, row.ip, 90, row.enabled));
    EXPECT_EQ(sites[1].Status, row.status);
    EXPECT_EQ(sites[1].Comments, "Edited");
    EXPECT_EQ(sites[1].TimeOut, 90);
    const QString key = site(SiteKeyName(row.url));
    EXPECT_EQ(number(key, "Status"), row.status);
    EXPECT_EQ(number(key, "Timeout"), 90);
    EXPECT_EQ(text(key, "Comments"), "Edited");
}
INSTANTIATE_TEST_SUITE_P(
    Rows, EditStatus,
    ::testing::Values(StatusRow{"time-out only", "site.example", "1.2.3.4", 1, 3},
                      StatusRow{"disabled", "site.example", "1.2.3.4", 0, 4},
                      StatusRow{"new IP", "site.example", "1.2.3.5", 1, 4},
                      StatusRow{"letter case of URL", "Site.example", "1.2.3.4", 1, 4},
                      StatusRow{"new URL", "other.example", "1.2.3.4", 1, 4}));

TEST_F(SiteEditTest, RenamingMovesTheSiteToANewKeyUnderTheSamePointer) {
    store.AddSite(entered("first.example"));
    store.AddSite(entered("old.example"));
    const SiteRecord before = sites[2];
    store.EditSite(2, before, entered("New.Example"));
    EXPECT_FALSE(hasKey(site("old.example")));
    EXPECT_EQ(text(site("new.example"), "URL"), "New.Example");
    EXPECT_EQ(number(site("new.example"), "Index"), 2);
    EXPECT_EQ(text("\\AddressKey", "Domain2"), "new.example");
    EXPECT_EQ(valueNames("\\AddressKey"), QStringList({"Domain1", "Domain2"}));

    store.RenumberSites();
    store.LoadSites(true, true);
    EXPECT_EQ(sites[2].URL, "New.Example");
}

TEST_F(SiteEditTest, ALetterCaseChangeKeepsTheKey) {
    store.AddSite(entered("case.example"));
    store.EditSite(1, sites[1], entered("CASE.example"));
    EXPECT_TRUE(hasKey(site("case.example")));
    EXPECT_EQ(text(site("case.example"), "URL"), "CASE.example");
}

TEST_F(SiteEditTest, RemovingASiteRenumbersAndKeepsResults) {
    for (const char* url : {"a.example", "b.example", "c.example"}) store.AddSite(entered(url));
    sites[3].Comments = "Site OK";
    sites[3].Status = StatusOK;
    store.SaveSite(3, false);

    store.RemoveSite(2);
    EXPECT_FALSE(hasKey(site("b.example")));
    ASSERT_EQ(sites.SiteCount(), 2);
    EXPECT_EQ(sites[1].URL, "a.example");
    EXPECT_EQ(sites[2].URL, "c.example");
    EXPECT_EQ(sites[2].Status, StatusOK);
    EXPECT_EQ(sites[2].Comments, "Site OK");
    EXPECT_EQ(text("\\AddressKey", "Domain2"), "c.example");
    EXPECT_EQ(number(site("c.example"), "Index"), 2);
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 2);

    store.RemoveSite(9);  // no such pointer: nothing else is touched
    EXPECT_EQ(sites.SiteCount(), 2);
    EXPECT_TRUE(hasKey("\\Address"));
}

TEST_F(SiteEditTest, RemovingAnUnknownSiteLeavesTheListKeyAlone) {
    // No site keys below \Address, so deleting it would succeed: a missing
    // pointer must not turn into a deletion of the whole list key.
    store.RemoveSite(1);
    EXPECT_TRUE(hasKey("\\Address"));
    EXPECT_EQ(number("\\Address", "NumActualDomain"), 0);
    EXPECT_EQ(sites.SiteCount(), 0);
}

TEST_F(SiteEditTest, TheTableRefusesIndexesOutsideItsRange) {
    store.AddSite(entered("a.example"));
    EXPECT_THROW(sites[0], std::out_of_range);
    EXPECT_THROW(sites[2], std::out_of_range);
    EXPECT_NO_THROW(sites[1]);
}

}  // namespace
}  // namespace ossivant::test
