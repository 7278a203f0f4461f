#pragma once
// The name of a record (a receiver's m_ReceiverName, a profile's name): a text that
// reports each change of itself, so that an index of the names of a collection's records
// (KeyedCollection::FindByName) learns which records were renamed in place, wherever that
// happened: the decoder parsing a form into a record it found, an editor working on the
// collection's own record, SetName, CopyFrom, LoadFromDisk, or a plain assignment.
//
// It reads as a Bytes does (it converts to const Bytes& and to std::string_view). Every
// change goes through the members below, and each one that changes the text notes the
// name's address in the rename journal; no member hands out a writable reference to the
// text, so nothing can change it unnoted.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

class RecordName;

// The addresses of the names whose text changed, in the order of the changes, as far back
// as its room goes. Count() numbers every change ever noted; a reader remembers the count
// it has seen and asks for what came after it. Once more changes came than the journal
// keeps, the oldest are forgotten, and a reader that had not seen them is told so and
// must look at every name it holds.
class RenameJournal {
public:
    static constexpr std::size_t kRoom = 1024;

    RenameJournal() { m_Names.reserve(kRoom); } // so that noting a change never allocates

    std::uint64_t Count() const { return m_First + m_Names.size(); }
    // The names changed since the count `seen`, or none when some of those are forgotten.
    std::optional<std::span<const RecordName* const>> Since(std::uint64_t seen) const {
        if (seen < m_First) return std::nullopt;
        return std::span<const RecordName* const>(m_Names).subspan(static_cast<std::size_t>(seen - m_First));
    }
    void Note(const RecordName* name) noexcept {
        if (m_Names.size() == kRoom) {
            m_First += m_Names.size();
            m_Names.clear();
        }
        m_Names.push_back(name);
    }

private:
    std::uint64_t m_First = 0; // the count of the first change still kept
    std::vector<const RecordName*> m_Names;
};

// The one journal of the names of this program (of this control deliverable, when the
// core is linked into a plug-in). Everything runs on the one user-interface thread.
RenameJournal& Renames();

class RecordName {
public:
    using Bytes = std::string;

    RecordName() = default;
    explicit RecordName(std::string_view text) : m_Text(text) {}
    RecordName(const RecordName& other) : m_Text(other.m_Text) {}
    // The name moved from is left empty.
    RecordName(RecordName&& other) noexcept : m_Text(std::move(other.m_Text)) { other.emptied(!m_Text.empty()); }
    ~RecordName() = default;

    RecordName& operator=(const RecordName& other) {
        assign(other.m_Text);
        return *this;
    }
    RecordName& operator=(RecordName&& other) noexcept {
        if (this != &other) {
            const bool changed = m_Text != other.m_Text;
            m_Text = std::move(other.m_Text);
            if (changed) noteChange();
            other.emptied(!m_Text.empty());
        }
        return *this;
    }
    RecordName& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    RecordName& operator=(const char* text) {
        assign(std::string_view(text));
        return *this;
    }
    RecordName& operator=(Bytes&& text) noexcept {
        if (m_Text == text) return *this;
        m_Text = std::move(text);
        noteChange();
        return *this;
    }
    // Keeps the room of the text when it can.
    void assign(std::string_view text) {
        if (m_Text == text) return;
        m_Text.assign(text);
        noteChange();
    }
    void clear() { assign(std::string_view()); }

    const Bytes& Text() const { return m_Text; }
    operator const Bytes&() const { return m_Text; }
    operator std::string_view() const { return m_Text; }
    std::size_t size() const { return m_Text.size(); }
    bool empty() const { return m_Text.empty(); }
    const char* data() const { return m_Text.data(); }
    const char* c_str() const { return m_Text.c_str(); }
    char operator[](std::size_t at) const { return m_Text[at]; }
    auto begin() const { return m_Text.cbegin(); }
    auto end() const { return m_Text.cend(); }

    friend bool operator==(const RecordName& a, const RecordName& b) { return a.m_Text == b.m_Text; }
    friend bool operator==(const RecordName& a, std::string_view b) { return a.m_Text == b; }

private:
    void noteChange() noexcept { Renames().Note(this); }
    // After a move from this name: the text is emptied, noted when it held something.
    void emptied(bool held) noexcept {
        m_Text.clear();
        if (held) noteChange();
    }

    Bytes m_Text;
};

std::ostream& operator<<(std::ostream& out, const RecordName& name);

} // namespace korvel
