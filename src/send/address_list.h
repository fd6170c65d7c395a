#pragma once
// Reading the recipient cell of a grid row. Users type what their mail program shows them:
// "Ann Smith <ann@example.com>, bob@example.com (Bob)", quoted names with commas in them,
// sometimes a group. The cell is read as an address list; the bare addresses go to the
// server as recipients and a clean rendering of the list becomes the To header.

#include <string>
#include <string_view>
#include <vector>

namespace quillory::send {

struct Mailbox {
    std::string displayName; // decoded (quotes and escapes removed); empty when none was given
    std::string address;     // the bare address as the server gets it: local-part@domain
    bool operator==(const Mailbox&) const = default;
};

struct AddressList {
    std::vector<Mailbox> mailboxes; // in cell order, groups flattened
    // The list as a To header value: ASCII only (non-ASCII names RFC 2047 encoded), no line
    // breaks; long lists are folded by the composer at the commas.
    std::vector<std::string> headerItems;

    std::vector<std::string> addresses() const;
};

// Parses an address cell. Throws quillory::Error with a message naming the problem when the
// cell holds a line break, holds no address at all, or holds anything that is not an address.
// A cell with one good and one bad address fails as a whole: a row is delivered to every
// address it names or to none.
AddressList parseAddressList(std::string_view cell);

// Renders one mailbox for a header: the name as an atom phrase, a quoted string or encoded
// words as needed, then <address>. An empty name gives the bare address.
std::string renderMailbox(std::string_view displayName, std::string_view address);

} // namespace quillory::send
