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
//
// Look-up by name (FindByName) gives what a scan in collection order for the first item
// whose name equals the name ignoring case gives, in O(1) expected. The index is made at
// the first such look-up and then kept in step with every addition and removal:
//   - every entry is linked, by the hash of its upper-cased name as last seen, into a
//     chain of the entries with that hash, kept in collection order; a table finds the
//     chain of a hash;
//   - a name changes in place (the records' names are RecordName, core/recordname.h) only
//     through members that note the change in the rename journal. Before it answers, a
//     look-up goes through the changes noted since its last look-up and hashes again the
//     entries whose name is one of them (a second table finds the entries of a name by
//     its address); when the journal has forgotten some of those changes, it hashes every
//     entry again.
// So when a look-up answers, every entry is in the chain of the hash of its current name.
// The entries whose current name equals the name asked for are all in the chain of that
// name's hash, in collection order; the look-up walks the chain and returns the first
// whose current name equals the name (checked on the record itself, so two names with
// one hash cannot be confused). That is the scan's answer. A look-up costs the chain's
// length (the entries of that name) and the changes noted since the last one.

#include "core/cp1252.h"
#include "core/recordname.h"

#include <array>
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

namespace detail {

// Spreads the bits of a hash or an address over all the bits that choose a cell.
inline std::size_t Spread(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return static_cast<std::size_t>(x);
}

// UpperChar of every byte, taken from UpperChar once, so that hashing a name is a table
// look-up per byte and folds exactly as the names compare.
inline const std::array<unsigned char, 256>& UpperBytes() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) t[static_cast<std::size_t>(b)] = static_cast<unsigned char>(UpperChar(static_cast<char>(b)));
        return t;
    }();
    return table;
}

// The hash of a name upper-cased, without making the upper-cased copy.
inline std::uint64_t NameHash(std::string_view name) {
    const std::array<unsigned char, 256>& upper = UpperBytes();
    std::uint64_t h = 14695981039346656037ULL;
    for (char c : name) {
        h ^= upper[static_cast<unsigned char>(c)];
        h *= 1099511628211ULL;
    }
    return h;
}

// Cells found by a hash, with linear probing: a power of two in size, at most 70% full.
// Removing a cell moves the cells of its run back, so no cell is ever marked removed.
// Cell: Used(), Home() (the spread hash that chooses its first cell), and a default
// value that is not used.
template <class Cell>
class ProbeTable {
public:
    // Room for that many cells in all, so that adding up to that many allocates nothing.
    void Reserve(std::size_t count) {
        if (count * 10 <= m_Cells.size() * 7) return;
        std::size_t size = 16;
        while (size * 7 < count * 10) size *= 2;
        std::vector<Cell> old = std::exchange(m_Cells, std::vector<Cell>(size));
        for (const Cell& cell : old)
            if (cell.Used()) put(cell);
    }
    void Clear() {
        m_Cells.clear();
        m_Used = 0;
    }
    // Adds a cell; room for it must have been reserved.
    void Insert(const Cell& cell) {
        put(cell);
        ++m_Used;
    }
    // The first cell of the run from `home` for which `match` holds, or null.
    template <class Match>
    Cell* Find(std::size_t home, Match match) {
        if (m_Cells.empty()) return nullptr;
        const std::size_t mask = m_Cells.size() - 1;
        for (std::size_t at = home & mask; m_Cells[at].Used(); at = (at + 1) & mask)
            if (match(m_Cells[at])) return &m_Cells[at];
        return nullptr;
    }
    // Calls `visit` for each cell of the run from `home`; it must not change the table.
    template <class Visit>
    void ForEach(std::size_t home, Visit visit) const {
        if (m_Cells.empty()) return;
        const std::size_t mask = m_Cells.size() - 1;
        for (std::size_t at = home & mask; m_Cells[at].Used(); at = (at + 1) & mask) visit(m_Cells[at]);
    }
    void Erase(Cell* cell) {
        const std::size_t mask = m_Cells.size() - 1;
        std::size_t hole = static_cast<std::size_t>(cell - m_Cells.data());
        for (std::size_t at = (hole + 1) & mask; m_Cells[at].Used(); at = (at + 1) & mask) {
            // A cell stays where it is when its home lies after the hole, up to the cell.
            const std::size_t home = m_Cells[at].Home() & mask;
            const bool stays = hole <= at ? (hole < home && home <= at) : (hole < home || home <= at);
            if (stays) continue;
            m_Cells[hole] = m_Cells[at];
            hole = at;
        }
        m_Cells[hole] = Cell{};
        --m_Used;
    }
    std::size_t Count() const { return m_Used; }

private:
    void put(const Cell& cell) {
        const std::size_t mask = m_Cells.size() - 1;
        std::size_t at = cell.Home() & mask;
        while (m_Cells[at].Used()) at = (at + 1) & mask;
        m_Cells[at] = cell;
    }

    std::vector<Cell> m_Cells;
    std::size_t m_Used = 0;
};

} // namespace detail

template <class T>
class KeyedCollection {
public:
    using Ptr = std::shared_ptr<T>;
    // How FindByName reaches the name of an item.
    using NameOf = const RecordName& (*)(const T&);
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

    // The first item in collection order whose name (as nameOf gives it) equals `name`
    // ignoring case, or none. A collection is looked up with one nameOf; another one
    // makes the index anew.
    Ptr FindByName(std::string_view name, NameOf nameOf) const {
        if (m_NameOf != nameOf) buildNames(nameOf);
        else syncNames();
        const std::uint64_t hash = detail::NameHash(name);
        const NameCell* cell = findChain(hash);
        if (!cell) return nullptr;
        int32_t at = cell->head;
        do {
            const Ptr& item = m_Slots[static_cast<std::size_t>(at)].entry.item;
            if (EqualsIgnoreCase(m_NameOf(*item), name)) return item;
            at = m_NameLinks[static_cast<std::size_t>(at)].next;
        } while (at != cell->head);
        return nullptr;
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
        if (m_NameOf) buildNames(m_NameOf);
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

    // Adds an entry whose key is not present at the end. Everything that can fail to
    // allocate does so before anything changes.
    void insert(std::string_view key, std::string&& folded, std::size_t hash, Ptr&& item) {
        if (m_Slots.size() - m_Live > m_Live && m_Slots.size() - m_Live > 16) compact();
        growIfNeeded(m_Slots.size() + 1);
        if (m_NameOf) {
            // A chain per entry at most, so a rename never needs more room.
            if (m_NameLinks.capacity() <= m_Slots.size()) m_NameLinks.reserve(2 * m_Slots.size() + 16);
            m_NameCells.Reserve(m_Live + 1);
            m_Addresses.Reserve(m_Live + 1);
        }
        const auto position = static_cast<int32_t>(m_Slots.size());
        m_Slots.push_back(Slot{Entry{std::string(key), std::move(item)}, std::move(folded), hash, true});
        place(hash, position);
        ++m_Live;
        m_Generation = NextGeneration();
        if (m_NameOf) {
            m_NameLinks.push_back(NameLink{});
            linkName(position);
            m_Addresses.Insert(AddressCell{position, addressHome(&m_NameOf(*m_Slots.back().entry.item))});
        }
    }

    // Removes the entry of the index cell.
    void removeAt(std::size_t at) {
        const int32_t position = m_Index[at].position;
        Slot& slot = m_Slots[static_cast<std::size_t>(position)];
        if (m_NameOf) {
            unlinkName(position);
            m_Addresses.Erase(m_Addresses.Find(addressHome(&m_NameOf(*slot.entry.item)),
                                               [&](const AddressCell& c) { return c.position == position; }));
        }
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
        if (m_NameOf) buildNames(m_NameOf);
    }

    // --- The index of names -----------------------------------------------------------

    // Per entry: the hash of its name as last seen and its neighbours in the chain of that
    // hash. A chain is circular and in collection order from its head: the head's
    // previous is the last.
    struct NameLink {
        std::uint64_t hash = 0;
        int32_t next = -1;
        int32_t previous = -1;
    };
    // The chain of one hash, by the position of its first entry (whose link holds the
    // whole hash) and the low bits of the spread hash, which choose its home cell.
    struct NameCell {
        int32_t head = -1;
        uint32_t home = 0;
        bool Used() const { return head >= 0; }
        std::size_t Home() const { return home; }
    };
    // An entry by the address of its item's name (an item under two keys has two): the
    // position of the entry and the low bits of the spread address.
    struct AddressCell {
        int32_t position = -1;
        uint32_t home = 0;
        bool Used() const { return position >= 0; }
        std::size_t Home() const { return home; }
    };

    static uint32_t chainHome(std::uint64_t hash) { return static_cast<uint32_t>(detail::Spread(hash)); }
    static uint32_t addressHome(const RecordName* name) {
        return static_cast<uint32_t>(detail::Spread(reinterpret_cast<std::uintptr_t>(name)));
    }
    NameCell* findChain(std::uint64_t hash) const {
        const uint32_t home = chainHome(hash);
        return m_NameCells.Find(home, [&](const NameCell& c) {
            return c.home == home && m_NameLinks[static_cast<std::size_t>(c.head)].hash == hash;
        });
    }

    void buildNames(NameOf nameOf) const {
        m_NameOf = nullptr; // until it is whole
        m_NameLinks.assign(m_Slots.size(), NameLink{});
        m_NameCells.Clear();
        m_Addresses.Clear();
        m_NameCells.Reserve(m_Live); // a chain per entry at most
        m_Addresses.Reserve(m_Live);
        m_NameOf = nameOf;
        for (std::size_t i = 0; i < m_Slots.size(); ++i) {
            if (!m_Slots[i].live) continue;
            const auto position = static_cast<int32_t>(i);
            linkName(position);
            m_Addresses.Insert(AddressCell{position, addressHome(&nameOf(*m_Slots[i].entry.item))});
        }
        m_RenamesSeen = Renames().Count();
    }

    // Hashes again the entries whose names changed since the last look-up.
    void syncNames() const {
        const RenameJournal& journal = Renames();
        if (m_RenamesSeen == journal.Count()) return;
        const auto changed = journal.Since(m_RenamesSeen);
        if (!changed) {
            buildNames(m_NameOf);
            return;
        }
        for (const RecordName* name : *changed) {
            const uint32_t home = addressHome(name);
            m_Addresses.ForEach(home, [&](const AddressCell& c) {
                if (c.home == home && &m_NameOf(*m_Slots[static_cast<std::size_t>(c.position)].entry.item) == name)
                    rehashName(c.position);
            });
        }
        m_RenamesSeen = journal.Count();
    }

    void rehashName(int32_t position) const {
        const std::uint64_t hash = detail::NameHash(m_NameOf(*m_Slots[static_cast<std::size_t>(position)].entry.item));
        if (hash == m_NameLinks[static_cast<std::size_t>(position)].hash) return;
        unlinkName(position);
        linkName(position);
    }

    // Links the entry into the chain of its name's current hash, in collection order. The
    // table of chains has room for a new chain (one per entry is reserved).
    void linkName(int32_t position) const {
        NameLink& link = m_NameLinks[static_cast<std::size_t>(position)];
        link.hash = detail::NameHash(m_NameOf(*m_Slots[static_cast<std::size_t>(position)].entry.item));
        NameCell* cell = findChain(link.hash);
        if (!cell) {
            link.next = link.previous = position;
            m_NameCells.Insert(NameCell{position, chainHome(link.hash)});
            return;
        }
        // After the last entry before it in collection order: an entry added at the end
        // goes after the chain's last at once; one renamed into a chain walks to its place.
        const int32_t head = cell->head;
        int32_t after = m_NameLinks[static_cast<std::size_t>(head)].previous;
        if (position < head) {
            cell->head = position;
        } else if (position < after) {
            after = head;
            for (int32_t next = m_NameLinks[static_cast<std::size_t>(after)].next; next < position;
                 next = m_NameLinks[static_cast<std::size_t>(after)].next)
                after = next;
        }
        NameLink& before = m_NameLinks[static_cast<std::size_t>(after)];
        link.previous = after;
        link.next = before.next;
        m_NameLinks[static_cast<std::size_t>(before.next)].previous = position;
        before.next = position;
    }

    void unlinkName(int32_t position) const {
        NameLink& link = m_NameLinks[static_cast<std::size_t>(position)];
        NameCell* cell = findChain(link.hash);
        if (link.next == position) {
            m_NameCells.Erase(cell);
        } else {
            m_NameLinks[static_cast<std::size_t>(link.previous)].next = link.next;
            m_NameLinks[static_cast<std::size_t>(link.next)].previous = link.previous;
            if (cell->head == position) cell->head = link.next;
        }
        link.next = link.previous = -1;
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

    // The index of names, made by the first FindByName (none until then).
    mutable NameOf m_NameOf = nullptr;
    mutable std::vector<NameLink> m_NameLinks; // parallel to m_Slots
    mutable detail::ProbeTable<NameCell> m_NameCells;
    mutable detail::ProbeTable<AddressCell> m_Addresses;
    mutable std::uint64_t m_RenamesSeen = 0; // the rename journal's count at the last look-up
};

} // namespace korvel
