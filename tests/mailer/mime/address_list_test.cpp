// Recipient lists, address headers and the per-message stamps.
#include <gtest/gtest.h>

#include "mailer/mime/address_header.h"
#include "mailer/mime/message_stamp.h"
#include "mailer/mime/recipient_list.h"

namespace quorvane3 {
namespace {

using Addresses = std::vector<std::string>;

struct ListRow {
    const char* name;
    std::string list;
    Addresses expected;
};

void PrintTo(const ListRow& row, std::ostream* os) {
    *os << row.name;
}

class AddressListTest : public ::testing::TestWithParam<ListRow> {};

TEST_P(AddressListTest, GivesTheEnvelopeAddresses) {
    EXPECT_EQ(SplitAddressList(GetParam().list), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AddressListTest,
    ::testing::Values(
        ListRow{
            "NamedEntries", "Ann Example <ann@x.org>, Bob <bob@x.org>", {"ann@x.org", "bob@x.org"}},
        ListRow{"BareEntries", " ann@x.org ,\tbob@x.org", {"ann@x.org", "bob@x.org"}},
        ListRow{"EmptyItemsSkipped", ",ann@x.org,, ,bob@x.org,", {"ann@x.org", "bob@x.org"}},
        // A '<' drops only the name of its own item, never an address before it.
        ListRow{"BareBeforeBracketed", "ann@x.org, Bob <bob@x.org>", {"ann@x.org", "bob@x.org"}},
        ListRow{"BareAfterBracketed", "Bob <bob@x.org>, ann@x.org", {"bob@x.org", "ann@x.org"}},
        ListRow{"BareBetweenBracketed",
                "Ann <ann@x.org>,cy@x.org , Bob <bob@x.org>",
                {"ann@x.org", "cy@x.org", "bob@x.org"}},
        ListRow{"SeveralBareBeforeBracketed",
                "ann@x.org, cy@x.org,Bob<bob@x.org>",
                {"ann@x.org", "cy@x.org", "bob@x.org"}},
        ListRow{"UnclosedBracketKeepsTheItemsBefore",
                "Ann <ann@x.org, Bob <bob@x.org>",
                {"ann@x.org", "bob@x.org"}},
        ListRow{"Empty", "", {}},
        ListRow{"Item79Kept", std::string(75, 'a') + "@x.o", {std::string(75, 'a') + "@x.o"}},
        ListRow{"Item80EndsTheList",
                "ann@x.org," + std::string(76, 'a') + "@x.o,bob@x.org",
                {"ann@x.org"}}),
    [](const auto& info) { return info.param.name; });

TEST(RecipientListTest, ToComesBeforeCcAndDuplicatesStay) {
    EXPECT_EQ(BuildRecipientList("A <a@x>, B <b@y>", "Cy <c@z>, A <a@x>"),
              (Addresses{"a@x", "b@y", "c@z", "a@x"}));
    EXPECT_EQ(BuildRecipientList("", "c@z"), (Addresses{"c@z"}));
    EXPECT_TRUE(BuildRecipientList(" , ", "").empty());
}

struct HeaderRow {
    const char* name;
    std::string field;
    uint32_t charset;
    std::string expected;
    AddressField kind = AddressField::kList;
};

void PrintTo(const HeaderRow& row, std::ostream* os) {
    *os << row.name;
}

class AddressHeaderTest : public ::testing::TestWithParam<HeaderRow> {};

TEST_P(AddressHeaderTest, WritesTheField) {
    std::string out;
    WriteAddressHeader(out, GetParam().field, GetParam().charset, GetParam().kind);
    EXPECT_EQ(out, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AddressHeaderTest,
    ::testing::Values(
        HeaderRow{"AsciiNamesUnchanged", "Ann <a@x>, Bob <b@x>", 0, "Ann <a@x>, Bob <b@x>"},
        HeaderRow{"NoBracketNoEncoding", "J\xE9r\xF4me@x.org", 0, "J\xE9r\xF4me@x.org"},
        HeaderRow{"EightBitNamesEncoded", "J\xE9r\xF4me <j@x>, Bob <b@x>", 0,
                  "=?iso-8859-1?Q?J=E9r=F4me?= <j@x>, Bob <b@x>"},
        HeaderRow{"BlanksStayOutsideTheWord", "A <a@x>,  \xC5sa  <b@x>", 0,
                  "A <a@x>,  =?iso-8859-1?Q?=C5sa?=  <b@x>"},
        HeaderRow{"WordNeverTouchesTheBracket", "\xC5sa<b@x>", 0, "=?iso-8859-1?Q?=C5sa?= <b@x>"},
        HeaderRow{"LineBreakAfterCommaKept", "A <a@x>,\r\n B <b@x>,\nC <c@x>", 0,
                  "A <a@x>,\r\n B <b@x>,\nC <c@x>"},
        HeaderRow{"UnknownCharsetUnchanged", "\xC5sa <b@x>", 186, "\xC5sa <b@x>"},
        HeaderRow{"RestAfterLastBracket", "A <a@x> (ops)", 0, "A <a@x> (ops)"},
        // In a list an encoded name never swallows the bare addresses or the
        // comma before it; in a single address the whole text before '<' is the name.
        HeaderRow{"BareBeforeEncodedName", "ann@x.org, J\xE9r <j@x>", 0,
                  "ann@x.org, =?iso-8859-1?Q?J=E9r?= <j@x>"},
        HeaderRow{"CommaAfterBlankStaysOutsideTheWord", "A <a@x> , \xC5sa <b@x>", 0,
                  "A <a@x> , =?iso-8859-1?Q?=C5sa?= <b@x>"},
        HeaderRow{"EightBitBareBeforeName", "J\xE9r@x.org, Bob <b@x>", 0,
                  "J\xE9r@x.org, Bob <b@x>"},
        HeaderRow{"SingleAddressNameWithComma", "M\xFCller, Hans <h@x>", 0,
                  "=?iso-8859-1?Q?M=FCller=2C_Hans?= <h@x>", AddressField::kOne}),
    [](const auto& info) { return info.param.name; });

std::tm At(int year, int month, int day, int hour, int minute, int second, int weekday) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_wday = weekday;
    return t;
}

TEST(FormatDateTest, ZoneFromTheBias) {
    const std::tm t = At(1998, 12, 22, 19, 52, 45, 2);
    EXPECT_EQ(FormatDate(t, -540), "Tue, 22 Dec 1998 19:52:45  +0900");
    EXPECT_EQ(FormatDate(t, 0), "Tue, 22 Dec 1998 19:52:45  -0000");
    EXPECT_EQ(FormatDate(t, 330), "Tue, 22 Dec 1998 19:52:45  -0530");
    EXPECT_EQ(FormatDate(t, std::nullopt), "Tue, 22 Dec 1998 19:52:45 error");
    EXPECT_EQ(FormatDate(At(2026, 1, 4, 7, 5, 3, 0), 60), "Sun, 04 Jan 2026 07:05:03  -0100");
}

TEST(MessageIdTest, TimeCounterHostDigitsAndServer) {
    EXPECT_EQ(MakeMessageId(At(1998, 12, 22, 19, 52, 45, 2), "host\xE9z", 7, "mail.x.org"),
              "122298195245.7.0411151673@mail.x.org");
    EXPECT_EQ(MakeMessageId(At(2000, 1, 2, 3, 4, 5, 0), "ab", 0, "10.0.0.1"),
              "0102100030405.0.9798@10.0.0.1");
}

TEST(MessageIdTest, CounterGoesUpPerMessage) {
    const std::string first = MakeMessageId("s");
    const std::string second = MakeMessageId("s");
    const auto counter = [](const std::string& id) {
        const auto dot = id.find('.');
        return std::stoul(id.substr(dot + 1, id.find('.', dot + 1) - dot - 1));
    };
    EXPECT_EQ(counter(second), counter(first) + 1);
    EXPECT_EQ(second.substr(second.size() - 2), "@s");
}

}  // namespace
}  // namespace quorvane3
