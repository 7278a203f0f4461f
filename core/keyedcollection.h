#pragma once
// An ordered collection of shared records with O(1) look-up by a case-insensitive key.
// Iteration follows insertion order; removing an item keeps the order of the others;
// adding under a key that is already present is refused (the caller decides whether that
// is an error). Items are std::shared_ptr so that a view or dialog still holding a record
// that a later message removed keeps a valid object.
//
// The entries live in one array in insertion order and the index is an open-addressing
// table of positions in it, each with 32 bits of its key's hash (so a probe passing other
// keys stays in the index), so an entry costs no allocation of its own (keys as short as
// "K12345" stay inside their strings): a list of thousands of records is two arrays, not
// two nodes per record. A removed entry leaves a gap that iteration skips; the gaps are
// closed when an addition finds them outnumbering the entries. So iterating stays valid
// while entries are removed, but an addition may move the entries (as a vector's would).

#include "core/cp1252.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel {

// "K" followed by the identity in decimal: the key of a record everywhere.
inline std::string RecordKey(long identity) {
    char text[24] = {'K'};
    const auto end = std::to_chars(text + 1, text + sizeof text, identity).ptr;
    return std::string(text, static_cast<std::size_t>(end - text));
}

template <class T>
class KeyedCollection {
public:
    using Ptr = std::shared_ptr<T>;
    struct Entry {
        std::string key; // as given when added
        Ptr item;
    };

private:
    struct Slot {
        Entry entry;
        std::string folded; // the key upper-cased
        std::size_t hash = 0;
        bool live = false;
    };

public:
    class const_iterator {
    public:
        using difference_type = std::ptrdiff_t;
        using value_type = Entry;
        using pointer = const Entry*;
        using reference = const Entry&;
        using iterator_category = std::forward_iterator_tag;

        const_iterator() = default;
        reference operator*() const { return m_At->entry; }
        pointer operator->() const { return &m_At->entry; }
        const_iterator& operator++() {
            ++m_At;
            skip();
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const { return m_At == other.m_At; }

    private:
        friend class KeyedCollection;
        const_iterator(const Slot* at, const Slot* end) : m_At(at), m_End(end) { skip(); }
        void skip() {
            while (m_At != m_End && !m_At->live) ++m_At;
        }
        const Slot* m_At = nullptr;
        const Slot* m_End = nullptr;
    };

    // Adds at the end; false (and nothing changed) when the key is already present.
    bool Add(std::string_view key, Ptr item) {
        std::string folded = UpperCase(key);
        const std::size_t hash = std::hash<std::string>{}(folded);
        if (lookUp(folded, hash) != kNone) return false;
        insert(key, std::move(folded), hash, std::move(item));
        return true;
    }

    Ptr Find(std::string_view key) const {
        const std::string folded = UpperCase(key);
        const std::size_t at = lookUp(folded, std::hash<std::string>{}(folded));
        return at == kNone ? nullptr : m_Slots[static_cast<std::size_t>(m_Index[at].position)].entry.item;
    }

    bool Contains(std::string_view key) const {
        const std::string folded = UpperCase(key);
        return lookUp(folded, std::hash<std::string>{}(folded)) != kNone;
    }

    // False when there is no such key.
    bool Remove(std::string_view key) {
        const std::string folded = UpperCase(key);
        const std::size_t at = lookUp(folded, std::hash<std::string>{}(folded));
        if (at == kNone) return false;
        removeAt(at);
        return true;
    }

    // Remove(key) followed by Add(key, item): the item goes to the end under the key.
    void Replace(std::string_view key, Ptr item) {
        std::string folded = UpperCase(key);
        const std::size_t hash = std::hash<std::string>{}(folded);
        const std::size_t at = lookUp(folded, hash);
        if (at != kNone) removeAt(at);
        insert(key, std::move(folded), hash, std::move(item));
    }

    void Clear() {
        m_Slots.clear();
        m_Index.clear();
        m_Live = 0;
        m_Removed = 0;
        m_Generation = NextGeneration();
    }

    // Room for that many items, so adding them moves and rehashes nothing.
    void Reserve(std::size_t count) {
        m_Slots.reserve(count);
        growIfNeeded(count);
    }

    // The item added last of those still present (none when empty).
    Ptr Last() const {
        for (auto slot = m_Slots.rbegin(); slot != m_Slots.rend(); ++slot)
            if (slot->live) return slot->entry.item;
        return nullptr;
    }

    std::size_t Count() const { return m_Live; }
    bool Empty() const { return m_Live == 0; }
    const_iterator begin() const { return const_iterator(m_Slots.data(), m_Slots.data() + m_Slots.size()); }
    const_iterator end() const {
        const Slot* end = m_Slots.data() + m_Slots.size();
        return const_iterator(end, end);
    }

    // Changes with every addition, removal and clearing, to a value that no collection of
    // this kind has had before (a new collection starts at 0, empty): whoever built
    // something from a collection can tell whether it still stands for what the
    // collection holds, also after another collection was swapped into its place.
    std::uint64_t Generation() const { return m_Generation; }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    static constexpr int32_t kEmpty = -1;
    static constexpr int32_t kRemoved = -2;

    static std::uint64_t NextGeneration() {
        static std::uint64_t last = 0;
        return ++last;
    }

    // The bits of a hash that a cell keeps beside its position: those above the ones that
    // choose the cell, so that keys that meet in a run of cells still differ in them.
    static uint32_t Tag(std::size_t hash) { return static_cast<uint32_t>(static_cast<uint64_t>(hash) >> 32 ^ hash); }

    // The index cell holding the live entry with that key, or kNone. An entry is only
    // looked at when its cell's tag matches, so passing the cells of other keys touches
    // the index alone.
    std::size_t lookUp(const std::string& folded, std::size_t hash) const {
        if (m_Index.empty()) return kNone;
        const std::size_t mask = m_Index.size() - 1;
        const uint32_t tag = Tag(hash);
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const Cell cell = m_Index[at];
            if (cell.position == kEmpty) return kNone;
            if (cell.position == kRemoved || cell.tag != tag) continue;
            const Slot& slot = m_Slots[static_cast<std::size_t>(cell.position)];
            if (slot.hash == hash && slot.folded == folded) return at;
        }
    }

    // Adds an entry whose key is not present at the end.
    void insert(std::string_view key, std::string&& folded, std::size_t hash, Ptr&& item) {
        if (m_Slots.size() - m_Live > m_Live && m_Slots.size() - m_Live > 16) compact();
        growIfNeeded(m_Slots.size() + 1);
        const auto position = static_cast<int32_t>(m_Slots.size());
        m_Slots.push_back(Slot{Entry{std::string(key), std::move(item)}, std::move(folded), hash, true});
        place(hash, position);
        ++m_Live;
        m_Generation = NextGeneration();
    }

    // Removes the entry of the index cell.
    void removeAt(std::size_t at) {
        Slot& slot = m_Slots[static_cast<std::size_t>(m_Index[at].position)];
        slot.live = false;
        slot.entry = Entry{};
        slot.folded.clear();
        m_Index[at].position = kRemoved;
        --m_Live;
        ++m_Removed;
        m_Generation = NextGeneration();
    }

    void place(std::size_t hash, int32_t position) {
        const std::size_t mask = m_Index.size() - 1;
        std::size_t at = hash & mask;
        while (m_Index[at].position >= 0) at = (at + 1) & mask;
        if (m_Index[at].position == kRemoved) --m_Removed;
        m_Index[at] = Cell{position, Tag(hash)};
    }

    // Keeps the index at most 70% full, counting the cells of removed entries.
    void growIfNeeded(std::size_t entries) {
        if ((entries + m_Removed) * 10 <= m_Index.size() * 7) return;
        std::size_t size = 16;
        while (size * 7 < entries * 10 + 10) size *= 2;
        rebuildIndex(size);
    }

    void rebuildIndex(std::size_t size) {
        m_Index.assign(size, Cell{});
        m_Removed = 0;
        for (std::size_t i = 0; i < m_Slots.size(); ++i)
            if (m_Slots[i].live) place(m_Slots[i].hash, static_cast<int32_t>(i));
    }

    // Closes the gaps of removed entries, keeping the order.
    void compact() {
        std::size_t to = 0;
        for (std::size_t from = 0; from < m_Slots.size(); ++from) {
            if (!m_Slots[from].live) continue;
            if (to != from) m_Slots[to] = std::move(m_Slots[from]);
            ++to;
        }
        m_Slots.resize(to);
        rebuildIndex(m_Index.size());
    }

    struct Cell {
        int32_t position = kEmpty; // in m_Slots, or kEmpty / kRemoved
        uint32_t tag = 0;
    };

    std::vector<Slot> m_Slots;
    std::vector<Cell> m_Index; // a power of two in size, or empty
    std::size_t m_Live = 0;
    std::size_t m_Removed = 0; // index cells marked removed
    std::uint64_t m_Generation = 0;
};

} // namespace korvel
