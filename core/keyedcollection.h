#pragma once
// An ordered collection of shared records with O(1) look-up by a case-insensitive key.
// Iteration follows insertion order; removing an item keeps the order of the others;
// adding under a key that is already present is refused (the caller decides whether that
// is an error). Items are std::shared_ptr so that a view or dialog still holding a record
// that a later message removed keeps a valid object.

#include "core/cp1252.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace korvel {

// "K" followed by the identity in decimal: the key of a record everywhere.
inline std::string RecordKey(long identity) { return "K" + std::to_string(identity); }

template <class T>
class KeyedCollection {
public:
    using Ptr = std::shared_ptr<T>;
    struct Entry {
        std::string key; // as given when added
        Ptr item;
    };
    using const_iterator = typename std::list<Entry>::const_iterator;

    // Adds at the end; false (and nothing changed) when the key is already present.
    bool Add(std::string_view key, Ptr item) {
        // One look-up: the index entry is made first and pointed at the new item after.
        const auto [at, added] = m_Index.try_emplace(UpperCase(key), m_Items.end());
        if (!added) return false;
        m_Items.push_back(Entry{std::string(key), std::move(item)});
        at->second = std::prev(m_Items.end());
        m_Generation = NextGeneration();
        return true;
    }

    // Remove(key) followed by Add(key, item), without freeing and making again what an
    // item already under the key had: the entry takes the item and moves to the end.
    void Replace(std::string_view key, Ptr item) {
        const auto it = m_Index.find(UpperCase(key));
        if (it == m_Index.end()) {
            Add(key, std::move(item));
            return;
        }
        it->second->key.assign(key);
        it->second->item = std::move(item);
        m_Items.splice(m_Items.end(), m_Items, it->second);
        m_Generation = NextGeneration();
    }

    // Room in the index for that many items, so adding them does not rehash it.
    void Reserve(std::size_t count) { m_Index.reserve(count); }

    Ptr Find(std::string_view key) const {
        auto it = m_Index.find(UpperCase(key));
        return it == m_Index.end() ? nullptr : it->second->item;
    }

    bool Contains(std::string_view key) const { return m_Index.count(UpperCase(key)) != 0; }

    // False when there is no such key.
    bool Remove(std::string_view key) {
        auto it = m_Index.find(UpperCase(key));
        if (it == m_Index.end()) return false;
        m_Items.erase(it->second);
        m_Index.erase(it);
        m_Generation = NextGeneration();
        return true;
    }

    void Clear() {
        m_Index.clear();
        m_Items.clear();
        m_Generation = NextGeneration();
    }

    // Changes with every addition, removal and clearing, to a value that no collection of
    // this kind has had before (a new collection starts at 0, empty): whoever built
    // something from a collection can tell whether it still stands for what the
    // collection holds, also after another collection was swapped into its place.
    std::uint64_t Generation() const { return m_Generation; }

    std::size_t Count() const { return m_Items.size(); }
    bool Empty() const { return m_Items.empty(); }
    const_iterator begin() const { return m_Items.begin(); }
    const_iterator end() const { return m_Items.end(); }

private:
    static std::uint64_t NextGeneration() {
        static std::uint64_t last = 0;
        return ++last;
    }

    std::list<Entry> m_Items;
    std::unordered_map<std::string, typename std::list<Entry>::iterator> m_Index;
    std::uint64_t m_Generation = 0;
};

} // namespace korvel
