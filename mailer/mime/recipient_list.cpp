#include "mailer/mime/recipient_list.h"

namespace quorvane3 {

std::string DropDisplayNames(std::string_view list) {
    std::string out;
    std::size_t mark = 0;
    bool markAfterNext = false;
    for (const char c : list) {
        if (c == '>') {
            markAfterNext = true;
            continue;
        }
        if (c == '<') {
            out.resize(mark);
            continue;
        }
        out += c;
        // A '<' only ever discards a name of its own item: nothing before
        // the last comma (an earlier bare address) can go with it.
        if (markAfterNext || c == ',') {
            mark = out.size();
            markAfterNext = false;
        }
    }
    return out;
}

std::vector<std::string> SplitAddressList(std::string_view list) {
    const std::string plain = DropDisplayNames(list);
    std::vector<std::string> items;
    std::string item;
    for (std::size_t i = 0; i <= plain.size(); ++i) {
        const char c = i < plain.size() ? plain[i] : ',';
        if (c == ',') {
            if (!item.empty()) items.push_back(item);
            item.clear();
        } else if (c != ' ' && c != '\t') {
            item += c;
            if (item.size() > kMaxAddressItem) break;
        }
    }
    return items;
}

std::vector<std::string> BuildRecipientList(std::string_view toList, std::string_view ccList) {
    std::vector<std::string> recipients = SplitAddressList(toList);
    for (std::string& cc : SplitAddressList(ccList)) recipients.push_back(std::move(cc));
    return recipients;
}

}  // namespace quorvane3
