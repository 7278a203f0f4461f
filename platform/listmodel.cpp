#include "platform/listmodel.h"

#include "platform/iconstore.h"

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>

namespace korvel::platform {
namespace {

// --- Blocks of texts -------------------------------------------------------------------------
// A row's key and texts in one allocation: a head word (the number of strings n, and
// whether the characters are UTF-16 or, when every one of them fits, Latin-1 bytes), the
// end of each string (in characters from the first one), then the characters. String 0 is
// the key, string 1 + c the text of column c. A string beyond n is empty.

using TextRef = ListModel::TextRef;

constexpr uint32_t kWide = 0x80000000u;

void* Allocate(std::size_t bytes) {
    void* block = std::malloc(bytes);
    if (!block) throw std::bad_alloc();
    return block;
}

bool FitsLatin1(QStringView text) {
    for (const QChar c : text)
        if (c.unicode() > 0xFF) return false;
    return true;
}

// A block of `headWords` words of head, then room for the characters, one byte or one
// UTF-16 unit each; `fill` writes both.
template <class Fill>
void* MakeChars(uint32_t headWords, std::size_t characters, bool wide, Fill fill) {
    void* block = Allocate(sizeof(uint32_t) * headWords + (wide ? sizeof(char16_t) : 1) * characters);
    fill(static_cast<uint32_t*>(block), reinterpret_cast<char*>(static_cast<uint32_t*>(block) + headWords));
    return block;
}

void CopyText(char* out, QStringView text, bool wide) {
    if (wide) {
        if (!text.isEmpty()) std::memcpy(out, text.utf16(), sizeof(char16_t) * static_cast<std::size_t>(text.size()));
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i].unicode());
}

void* MakeBlock(const QStringView* strings, uint32_t n) {
    std::size_t characters = 0;
    bool wide = false;
    for (uint32_t i = 0; i < n; ++i) {
        characters += static_cast<std::size_t>(strings[i].size());
        wide = wide || !FitsLatin1(strings[i]);
    }
    return MakeChars(1 + n, characters, wide, [&](uint32_t* head, char* out) {
        head[0] = n | (wide ? kWide : 0);
        const std::size_t unit = wide ? sizeof(char16_t) : 1;
        uint32_t end = 0;
        for (uint32_t i = 0; i < n; ++i) {
            CopyText(out + unit * end, strings[i], wide);
            end += static_cast<uint32_t>(strings[i].size());
            head[1 + i] = end;
        }
    });
}

uint32_t BlockCount(const void* block) { return block ? static_cast<const uint32_t*>(block)[0] & ~kWide : 0; }

TextRef BlockString(const void* block, uint32_t i) {
    const uint32_t n = BlockCount(block);
    if (i >= n) return {};
    const auto* head = static_cast<const uint32_t*>(block);
    const bool wide = (head[0] & kWide) != 0;
    const char* characters = reinterpret_cast<const char*>(head + 1 + n);
    const uint32_t start = i == 0 ? 0 : head[i];
    return {characters + (wide ? sizeof(char16_t) : 1) * start, static_cast<qsizetype>(head[1 + i] - start), wide};
}

QString ToString(TextRef t) {
    if (t.size == 0) return {};
    return t.wide ? QString(static_cast<const QChar*>(t.data), t.size)
                  : QString::fromLatin1(static_cast<const char*>(t.data), t.size);
}

bool Equal(TextRef t, QStringView text) {
    if (t.size != text.size()) return false;
    return t.wide ? QStringView(static_cast<const char16_t*>(t.data), t.size) == text
                  : QLatin1StringView(static_cast<const char*>(t.data), t.size) == text;
}

// A folded text: its length (and whether it is UTF-16), then its characters.
void* MakeFolded(const std::u16string& text) {
    const bool wide = !FitsLatin1(QStringView(text.data(), static_cast<qsizetype>(text.size())));
    return MakeChars(1, text.size(), wide, [&](uint32_t* head, char* out) {
        head[0] = static_cast<uint32_t>(text.size()) | (wide ? kWide : 0);
        CopyText(out, QStringView(text.data(), static_cast<qsizetype>(text.size())), wide);
    });
}

TextRef FoldedView(const void* block) {
    const auto* head = static_cast<const uint32_t*>(block);
    return {head + 1, static_cast<qsizetype>(head[0] & ~kWide), (head[0] & kWide) != 0};
}

// --- Case-insensitive compare --------------------------------------------------------------
// As QString::compare without regard to case: code point by code point, each folded (a
// surrogate without its partner counts as U+FFFD), in code point order.

// The folds of the 256 Latin-1 characters, looked up once.
const std::array<char32_t, 256>& Latin1Folds() {
    static const std::array<char32_t, 256> folds = [] {
        std::array<char32_t, 256> table{};
        for (char32_t c = 0; c < 256; ++c) table[c] = QChar::toCaseFolded(c);
        return table;
    }();
    return folds;
}

template <class Visit>
void ForEachFolded(QStringView text, Visit visit) {
    const std::array<char32_t, 256>& folds = Latin1Folds();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        char32_t c = text[i++].unicode();
        if (c < 256) {
            visit(folds[c]);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i < n && QChar::isLowSurrogate(text[i].unicode()))
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), text[i++].unicode());
        else if (QChar::isSurrogate(c))
            c = QChar::ReplacementCharacter;
        visit(QChar::toCaseFolded(c));
    }
}

template <class Visit>
void ForEachFolded(TextRef text, Visit visit) {
    if (text.wide) {
        ForEachFolded(QStringView(static_cast<const char16_t*>(text.data), text.size), visit);
        return;
    }
    const std::array<char32_t, 256>& folds = Latin1Folds();
    const auto* p = static_cast<const unsigned char*>(text.data);
    for (qsizetype i = 0; i < text.size; ++i) visit(folds[p[i]]);
}

void Fold(TextRef text, std::u16string& out) {
    out.clear();
    out.reserve(static_cast<std::size_t>(text.size));
    ForEachFolded(text, [&](char32_t c) {
        if (QChar::requiresSurrogates(c)) {
            out.push_back(QChar::highSurrogate(c));
            out.push_back(QChar::lowSurrogate(c));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    });
}

bool SameChars(TextRef t, const std::u16string& text) {
    return Equal(t, QStringView(text.data(), static_cast<qsizetype>(text.size())));
}

// Code point order of two folded texts where one of them is Latin-1: no surrogates on
// that side, so the units compare as numbers.
template <class A, class B>
int CompareUnits(const A* p, qsizetype m, const B* q, qsizetype n) {
    const qsizetype k = std::min(m, n);
    for (qsizetype i = 0; i < k; ++i)
        if (static_cast<char16_t>(p[i]) != static_cast<char16_t>(q[i]))
            return static_cast<char16_t>(p[i]) < static_cast<char16_t>(q[i]) ? -1 : 1;
    return m < n ? -1 : (m > n ? 1 : 0);
}

// Code point order of two folded (well-formed) UTF-16 texts.
int CompareWide(const char16_t* p, qsizetype m, const char16_t* q, qsizetype n) {
    const qsizetype k = std::min(m, n);
    qsizetype i = 0;
    // Equal beginnings (common in names) four units at a time.
    for (; i + 4 <= k; i += 4) {
        uint64_t x, y;
        std::memcpy(&x, p + i, sizeof x);
        std::memcpy(&y, q + i, sizeof y);
        if (x != y) break;
    }
    for (; i < k; ++i) {
        if (p[i] == q[i]) continue;
        char16_t x = p[i], y = q[i];
        // Units of U+E000..U+FFFF come after the surrogates of the higher planes.
        if (x >= 0xD800 && y >= 0xD800) {
            x = x >= 0xE000 ? static_cast<char16_t>(x - 0x800) : static_cast<char16_t>(x + 0x2000);
            y = y >= 0xE000 ? static_cast<char16_t>(y - 0x800) : static_cast<char16_t>(y + 0x2000);
        }
        return x < y ? -1 : 1;
    }
    return m < n ? -1 : (m > n ? 1 : 0);
}

int CompareFolded(TextRef a, TextRef b) {
    if (!a.wide && !b.wide) {
        // Latin-1 bytes: byte order is code point order. Equal beginnings eight at a time.
        const auto* p = static_cast<const unsigned char*>(a.data);
        const auto* q = static_cast<const unsigned char*>(b.data);
        const qsizetype k = std::min(a.size, b.size);
        qsizetype i = 0;
        for (; i + 8 <= k; i += 8) {
            uint64_t x, y;
            std::memcpy(&x, p + i, sizeof x);
            std::memcpy(&y, q + i, sizeof y);
            if (x != y) break;
        }
        for (; i < k; ++i)
            if (p[i] != q[i]) return p[i] < q[i] ? -1 : 1;
        return a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
    }
    const auto* wa = static_cast<const char16_t*>(a.data);
    const auto* wb = static_cast<const char16_t*>(b.data);
    const auto* na = static_cast<const unsigned char*>(a.data);
    const auto* nb = static_cast<const unsigned char*>(b.data);
    if (a.wide && b.wide) return CompareWide(wa, a.size, wb, b.size);
    return a.wide ? CompareUnits(wa, a.size, nb, b.size) : CompareUnits(na, a.size, wb, b.size);
}

template <class Text>
uint32_t KeyHash(Text key) {
    uint64_t h = 1469598103934665603ull;
    ForEachFolded(key, [&](char32_t c) { h = (h ^ c) * 1099511628211ull; });
    return static_cast<uint32_t>(h ^ (h >> 32));
}

// A key of up to this many Latin-1 characters is kept in its row as well, so finding it
// reads no block.
constexpr int kShortKey = 7;

// Whether a short key (Latin-1) is the key, without regard to case; nullopt when the key
// holds surrogates and the general compare must decide.
std::optional<bool> SameShortKey(const unsigned char* stored, int size, QStringView key) {
    if (key.size() != size) {
        for (const QChar c : key)
            if (c.isSurrogate()) return std::nullopt;
        return false; // one folded code point a character on both sides
    }
    const std::array<char32_t, 256>& folds = Latin1Folds();
    for (int i = 0; i < size; ++i) {
        const char16_t c = key[i].unicode();
        if (QChar::isSurrogate(c)) return std::nullopt;
        if (folds[stored[i]] != (c < 256 ? folds[c] : QChar::toCaseFolded(char32_t(c)))) return false;
    }
    return true;
}

bool SameKey(TextRef stored, QStringView key) {
    if (stored.wide) {
        const QStringView s(static_cast<const char16_t*>(stored.data), stored.size);
        return s == key || s.compare(key, Qt::CaseInsensitive) == 0;
    }
    const QLatin1StringView s(static_cast<const char*>(stored.data), stored.size);
    return s == key || s.compare(key, Qt::CaseInsensitive) == 0;
}

// While the stretch of stale positions shifted by no more than this, a look-up tries the
// rows this close to the remembered position before it renumbers the stretch.
constexpr int kNearbyTries = 8;

} // namespace

ListModel::ListModel(QObject* parent) : QAbstractItemModel(parent) {}

ListModel::~ListModel() {
    for (Row& r : m_Rows) {
        std::free(r.texts);
        std::free(r.folded);
    }
}

// --- What Qt's views ask -------------------------------------------------------------------

QModelIndex ListModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= Count() || column < 0 || column >= ColumnCount()) return {};
    return createIndex(row, column);
}

QModelIndex ListModel::parent(const QModelIndex&) const { return {}; }

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

int ListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount(); }

bool ListModel::hasChildren(const QModelIndex& parent) const { return !parent.isValid() && Count() > 0; }

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count()) return {};
    const Row& r = m_Rows[m_Order[static_cast<std::size_t>(index.row())]];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        const TextRef text = BlockString(r.texts, 1 + static_cast<uint32_t>(index.column()));
        return text.size == 0 ? QVariant() : QVariant(ToString(text));
    }
    case Qt::DecorationRole:
        if (index.column() == 0 && m_Icons && r.icon) return m_Icons->Icon(r.icon);
        return {};
    case Qt::CheckStateRole:
        if (index.column() == 0 && m_CheckBoxes) return static_cast<int>(r.tickedAt >= 0 ? Qt::Checked : Qt::Unchecked);
        return {};
    default: return {};
    }
}

bool ListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !m_CheckBoxes || !index.isValid() || index.column() != 0 ||
        index.row() >= Count())
        return false;
    const uint32_t slot = m_Order[static_cast<std::size_t>(index.row())];
    const bool on = value.toInt() == Qt::Checked;
    if (on == (m_Rows[slot].tickedAt >= 0)) return true;
    setTicked(slot, on);
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit UserChecked(index.row());
    return true;
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_CheckBoxes) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount()) return {};
    const auto c = static_cast<std::size_t>(section);
    if (role == Qt::DisplayRole) return m_Headers[c];
    if (role == Qt::DecorationRole && !m_HeaderIcons[c].isNull()) return m_HeaderIcons[c];
    return {};
}

bool ListModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > Count()) return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    const auto first = m_Order.begin() + row;
    for (auto it = first; it != first + count; ++it) freeSlot(*it);
    m_Order.erase(first, first + count);
    shifted(row, Count() - 1, count);
    endRemoveRows();
    return true;
}

// --- Columns -------------------------------------------------------------------------------

void ListModel::AppendColumn(const QString& header) {
    const int column = ColumnCount();
    beginInsertColumns(QModelIndex(), column, column);
    m_Headers.push_back(header);
    m_HeaderIcons.emplace_back();
    endInsertColumns();
}

void ListModel::ClearColumns() {
    if (m_Headers.empty()) return;
    beginRemoveColumns(QModelIndex(), 0, ColumnCount() - 1);
    m_Headers.clear();
    m_HeaderIcons.clear();
    endRemoveColumns();
}

QString ListModel::Header(int column) const {
    return column >= 0 && column < ColumnCount() ? m_Headers[static_cast<std::size_t>(column)] : QString();
}

void ListModel::SetHeader(int column, const QString& text) {
    if (column < 0 || column >= ColumnCount()) return;
    m_Headers[static_cast<std::size_t>(column)] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void ListModel::SetHeaderIcon(int column, const QIcon& icon) {
    if (column < 0 || column >= ColumnCount()) return;
    m_HeaderIcons[static_cast<std::size_t>(column)] = icon;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void ListModel::SetRowIcons(const IconStore* icons) {
    m_Icons = icons;
    if (Count() > 0) emit dataChanged(at(0), at(Count() - 1), {Qt::DecorationRole});
}

void ListModel::SetCheckBoxes(bool on) {
    if (on == m_CheckBoxes) return;
    m_CheckBoxes = on;
    if (!on) {
        for (uint32_t slot : m_Ticked) m_Rows[slot].tickedAt = -1;
        m_Ticked.clear();
    }
    if (Count() > 0) emit dataChanged(at(0), at(Count() - 1), {Qt::CheckStateRole});
}

// --- Slots and the key index ---------------------------------------------------------------

uint32_t ListModel::makeSlot(const ListRowData& row, int texts) {
    const auto n = static_cast<uint32_t>(std::min<qsizetype>(row.Texts.size(), std::max(texts, 0)));
    QVarLengthArray<QStringView, 16> strings;
    strings.reserve(n + 1);
    strings.push_back(row.Key);
    for (uint32_t i = 0; i < n; ++i) strings.push_back(row.Texts[static_cast<qsizetype>(i)]);
    void* block = MakeBlock(strings.data(), n + 1);
    uint32_t slot;
    if (m_Free.empty()) {
        slot = static_cast<uint32_t>(m_Rows.size());
        m_Rows.emplace_back();
    } else {
        slot = m_Free.back();
        m_Free.pop_back();
        m_Rows[slot] = Row{};
    }
    Row& r = m_Rows[slot];
    r.texts = block;
    r.icon = static_cast<uint16_t>(std::clamp(row.SmallIcon, 0, 0xFFFF));
    if (row.Key.size() <= kShortKey && FitsLatin1(row.Key)) {
        for (qsizetype i = 0; i < row.Key.size(); ++i) r.shortKey[i] = static_cast<unsigned char>(row.Key[i].unicode());
        r.shortKeySize = static_cast<uint8_t>(row.Key.size());
    }
    return slot;
}

void ListModel::freeSlot(uint32_t slot) {
    indexRemove(slot);
    setTicked(slot, false);
    Row& r = m_Rows[slot];
    std::free(r.texts);
    std::free(r.folded);
    r = Row{};
    m_Free.push_back(slot);
}

ListModel::TextRef ListModel::keyOf(uint32_t slot) const { return BlockString(m_Rows[slot].texts, 0); }

bool ListModel::sameKey(uint32_t slot, QStringView key) const {
    const Row& r = m_Rows[slot];
    if (r.shortKeySize > 0) {
        if (const std::optional<bool> same = SameShortKey(r.shortKey, r.shortKeySize, key)) return *same;
    }
    return SameKey(keyOf(slot), key);
}

int ListModel::cellOf(QStringView key, uint32_t hash) const {
    if (m_Index.empty()) return -1;
    const std::size_t mask = m_Index.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Cell& c = m_Index[i];
        if (c.slot == 0) return -1;
        if (c.hash == hash && sameKey(c.slot - 1, key)) return static_cast<int>(i);
    }
}

void ListModel::growIndex() {
    std::vector<Cell> old = std::move(m_Index);
    m_Index.assign(std::max<std::size_t>(16, old.size() * 2), Cell{});
    const std::size_t mask = m_Index.size() - 1;
    for (const Cell& c : old) {
        if (c.slot == 0) continue;
        std::size_t i = c.hash & mask;
        while (m_Index[i].slot != 0) i = (i + 1) & mask;
        m_Index[i] = c;
    }
}

void ListModel::reserveKeys(std::size_t more) {
    while ((m_Keys + more) * 4 > m_Index.size() * 3) growIndex();
}

void ListModel::indexAdd(uint32_t slot, uint32_t hash) {
    if ((m_Keys + 1) * 4 > m_Index.size() * 3) growIndex();
    const std::size_t mask = m_Index.size() - 1;
    std::size_t i = hash & mask;
    while (m_Index[i].slot != 0) i = (i + 1) & mask;
    m_Index[i] = Cell{slot + 1, hash};
    ++m_Keys;
}

void ListModel::indexRemove(uint32_t slot) {
    if (m_Index.empty()) return;
    const std::size_t mask = m_Index.size() - 1;
    const uint32_t hash = KeyHash(keyOf(slot));
    std::size_t i = hash & mask;
    while (m_Index[i].slot != slot + 1) {
        if (m_Index[i].slot == 0) return; // not indexed
        i = (i + 1) & mask;
    }
    // Linear probing: later cells of the same run move up into the gap where their home
    // cell allows it, so no look-up ever stops short of its key.
    m_Index[i] = Cell{};
    --m_Keys;
    for (std::size_t j = (i + 1) & mask; m_Index[j].slot != 0; j = (j + 1) & mask) {
        const std::size_t home = m_Index[j].hash & mask;
        const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (stays) continue;
        m_Index[i] = m_Index[j];
        m_Index[j] = Cell{};
        i = j;
    }
}

// --- Positions -----------------------------------------------------------------------------

void ListModel::shifted(int from, int to, int by) const {
    if (from > to) return;
    if (!m_Stale) {
        m_Stale = true;
        m_StaleFrom = from;
        m_StaleTo = to;
        m_StaleShift = by;
    } else {
        m_StaleFrom = std::min(m_StaleFrom, from);
        m_StaleTo = std::max(m_StaleTo, to);
        m_StaleShift += by;
    }
}

void ListModel::renumber(int from, int to) const {
    for (int i = std::max(from, 0); i <= to; ++i) m_Rows[m_Order[static_cast<std::size_t>(i)]].position = i;
}

int ListModel::positionOf(uint32_t slot) const {
    Row& r = m_Rows[slot];
    const int n = Count();
    auto holds = [&](int p) { return p >= 0 && p < n && m_Order[static_cast<std::size_t>(p)] == slot; };
    if (holds(r.position)) return r.position;
    if (!m_Stale || r.position < 0) return -1;
    if (m_StaleShift <= kNearbyTries) {
        for (int d = 1; d <= m_StaleShift; ++d) {
            for (int p : {r.position - d, r.position + d}) {
                if (holds(p)) {
                    r.position = p;
                    return p;
                }
            }
        }
    }
    renumber(m_StaleFrom, std::min(m_StaleTo, n - 1));
    m_Stale = false;
    return holds(r.position) ? r.position : -1;
}

// --- Rows ----------------------------------------------------------------------------------

int ListModel::Find(QStringView key) const {
    if (key.isEmpty()) return -1;
    const int cell = cellOf(key, KeyHash(key));
    return cell < 0 ? -1 : positionOf(m_Index[static_cast<std::size_t>(cell)].slot - 1);
}

int ListModel::Insert(const ListRowData& row, int texts) {
    if (row.Key.isEmpty()) return -1;
    const uint32_t hash = KeyHash(row.Key);
    if (cellOf(row.Key, hash) >= 0) return -1;
    const uint32_t slot = makeSlot(row, texts);
    indexAdd(slot, hash);
    const int at = m_Sorted ? upperBound(slot, 0, Count()) : Count();
    beginInsertRows(QModelIndex(), at, at);
    m_Order.insert(m_Order.begin() + at, slot);
    m_Rows[slot].position = at;
    shifted(at + 1, Count() - 1, 1);
    endInsertRows();
    return at;
}

int ListModel::InsertMany(const std::vector<ListRowData>& rows, int texts) {
    std::vector<uint32_t> added;
    added.reserve(rows.size());
    m_Rows.reserve(m_Rows.size() + rows.size());
    reserveKeys(rows.size());
    for (const ListRowData& row : rows) {
        if (row.Key.isEmpty()) continue;
        const uint32_t hash = KeyHash(row.Key);
        if (cellOf(row.Key, hash) >= 0) continue; // in the list, or earlier in this batch
        const uint32_t slot = makeSlot(row, texts);
        indexAdd(slot, hash);
        added.push_back(slot);
    }
    if (added.empty()) return 0;
    const bool intoEmptySorted = m_Sorted && Count() == 0;
    // Into an empty sorted list the rows go in their sorted order at once; sorting them
    // first is what adding them and then sorting the list gives.
    if (intoEmptySorted) sortSlots(added);
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(added.size()) - 1);
    for (uint32_t slot : added) {
        m_Rows[slot].position = Count();
        m_Order.push_back(slot);
    }
    endInsertRows();
    if (m_Sorted && !intoEmptySorted) sortAll();
    return static_cast<int>(added.size());
}

void ListModel::Remove(int row) { removeRows(row, 1); }

void ListModel::Clear() {
    beginResetModel();
    for (Row& r : m_Rows) {
        std::free(r.texts);
        std::free(r.folded);
    }
    m_Rows.clear();
    m_Free.clear();
    m_Order.clear();
    m_Index.clear();
    m_Keys = 0;
    m_Ticked.clear();
    m_Stale = false;
    endResetModel();
}

QString ListModel::Key(int row) const {
    return row >= 0 && row < Count() ? ToString(keyOf(m_Order[static_cast<std::size_t>(row)])) : QString();
}

QString ListModel::Text(int row, int column) const {
    if (row < 0 || row >= Count() || column < 0) return {};
    return ToString(BlockString(m_Rows[m_Order[static_cast<std::size_t>(row)]].texts, 1 + static_cast<uint32_t>(column)));
}

void ListModel::SetText(int row, int column, QStringView text) {
    if (row < 0 || row >= Count() || column < 0) return;
    Row& r = m_Rows[m_Order[static_cast<std::size_t>(row)]];
    const uint32_t i = 1 + static_cast<uint32_t>(column);
    if (Equal(BlockString(r.texts, i), text)) return; // nothing changes on screen
    const uint32_t n = std::max(BlockCount(r.texts), i + 1);
    QVarLengthArray<QString, 16> kept(n);
    QVarLengthArray<QStringView, 16> strings(n);
    for (uint32_t k = 0; k < n; ++k) {
        if (k == i) {
            strings[k] = text;
        } else {
            kept[k] = ToString(BlockString(r.texts, k));
            strings[k] = kept[k];
        }
    }
    void* block = MakeBlock(strings.data(), n);
    std::free(r.texts);
    r.texts = block;
    if (column == r.foldedFor) {
        std::free(r.folded);
        r.folded = nullptr;
        r.foldedFor = -1;
    }
    emit dataChanged(at(row, column), at(row, column), {Qt::DisplayRole});
}

int ListModel::Icon(int row) const {
    return row >= 0 && row < Count() ? m_Rows[m_Order[static_cast<std::size_t>(row)]].icon : 0;
}

void ListModel::SetIcon(int row, int number) {
    if (row < 0 || row >= Count()) return;
    Row& r = m_Rows[m_Order[static_cast<std::size_t>(row)]];
    const auto icon = static_cast<uint16_t>(std::clamp(number, 0, 0xFFFF));
    if (icon == r.icon) return;
    r.icon = icon;
    emit dataChanged(at(row), at(row), {Qt::DecorationRole});
}

bool ListModel::Checked(int row) const {
    return row >= 0 && row < Count() && m_Rows[m_Order[static_cast<std::size_t>(row)]].tickedAt >= 0;
}

void ListModel::SetChecked(int row, bool checked) {
    if (!m_CheckBoxes || row < 0 || row >= Count()) return;
    const uint32_t slot = m_Order[static_cast<std::size_t>(row)];
    if ((m_Rows[slot].tickedAt >= 0) == checked) return;
    setTicked(slot, checked);
    emit dataChanged(at(row), at(row), {Qt::CheckStateRole});
}

void ListModel::setTicked(uint32_t slot, bool on) {
    Row& r = m_Rows[slot];
    if ((r.tickedAt >= 0) == on) return;
    if (on) {
        r.tickedAt = static_cast<int32_t>(m_Ticked.size());
        m_Ticked.push_back(slot);
        return;
    }
    // The last ticked row takes the place of this one.
    const auto place = static_cast<std::size_t>(r.tickedAt);
    const uint32_t last = m_Ticked.back();
    m_Ticked[place] = last;
    m_Rows[last].tickedAt = static_cast<int32_t>(place);
    m_Ticked.pop_back();
    r.tickedAt = -1;
}

QStringList ListModel::CheckedKeys() const {
    QStringList keys;
    keys.reserve(static_cast<qsizetype>(m_Ticked.size()));
    for (uint32_t slot : m_Ticked) keys.push_back(ToString(keyOf(slot)));
    return keys;
}

int ListModel::FindText(QStringView text) const {
    for (int i = 0, n = Count(); i < n; ++i)
        if (Equal(BlockString(m_Rows[m_Order[static_cast<std::size_t>(i)]].texts, 1), text)) return i;
    return -1;
}

// --- Sorting -------------------------------------------------------------------------------

ListModel::TextRef ListModel::sortText(uint32_t slot) const {
    Row& r = m_Rows[slot];
    const TextRef text = BlockString(r.texts, 1 + static_cast<uint32_t>(m_SortColumn));
    if (r.foldedFor != m_SortColumn) {
        thread_local std::u16string folded;
        Fold(text, folded);
        std::free(r.folded);
        r.folded = nullptr;
        // Most texts (digits, lower case) fold to themselves: they are compared as they stand.
        if (!SameChars(text, folded)) r.folded = MakeFolded(folded);
        r.foldedFor = static_cast<int16_t>(m_SortColumn);
    }
    return r.folded ? FoldedView(r.folded) : text;
}

bool ListModel::before(uint32_t a, uint32_t b) const {
    const int c = CompareFolded(sortText(a), sortText(b));
    return m_SortOrder == 0 ? c < 0 : c > 0;
}

void ListModel::sortSlots(std::vector<uint32_t>& order) const {
    // The sort texts side by side with their slots, so a comparison reads no row.
    struct Entry {
        TextRef text;
        uint32_t slot;
    };
    std::vector<Entry> entries;
    entries.reserve(order.size());
    for (uint32_t slot : order) entries.push_back({sortText(slot), slot});
    auto less = [descending = m_SortOrder != 0](const Entry& a, const Entry& b) {
        const int c = CompareFolded(a.text, b.text);
        return descending ? c > 0 : c < 0;
    };
    std::stable_sort(entries.begin(), entries.end(), less);
    for (std::size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].slot;
}

int ListModel::upperBound(uint32_t slot, int begin, int end) const {
    // After every row that sorts before it or equal to it.
    while (begin < end) {
        const int mid = begin + (end - begin) / 2;
        if (before(slot, m_Order[static_cast<std::size_t>(mid)]))
            end = mid;
        else
            begin = mid + 1;
    }
    return begin;
}

void ListModel::sortAll() {
    const int n = Count();
    if (n == 0) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    std::vector<uint32_t> held;
    held.reserve(static_cast<std::size_t>(from.size()));
    for (const QModelIndex& index : from) held.push_back(m_Order[static_cast<std::size_t>(index.row())]);
    sortSlots(m_Order);
    renumber(0, n - 1);
    m_Stale = false;
    QModelIndexList to;
    to.reserve(from.size());
    for (qsizetype i = 0; i < from.size(); ++i)
        to.push_back(createIndex(m_Rows[held[static_cast<std::size_t>(i)]].position, from[i].column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ListModel::SetSorted(bool sorted) {
    if (sorted == m_Sorted) return;
    m_Sorted = sorted;
    if (m_Sorted) sortAll();
}

void ListModel::SetSortColumn(int column) {
    m_SortColumn = column;
    if (m_Sorted) sortAll();
}

void ListModel::SetSortOrder(int order) {
    m_SortOrder = order;
    if (m_Sorted) sortAll();
}

void ListModel::move(int from, int to) {
    if (from == to) return;
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    const uint32_t slot = m_Order[static_cast<std::size_t>(from)];
    uint32_t* order = m_Order.data();
    if (to > from)
        std::memmove(order + from, order + from + 1, sizeof(uint32_t) * static_cast<std::size_t>(to - from));
    else
        std::memmove(order + to + 1, order + to, sizeof(uint32_t) * static_cast<std::size_t>(from - to));
    order[to] = slot;
    m_Rows[slot].position = to;
    shifted(std::min(from, to), std::max(from, to), 1);
    endMoveRows();
}

int ListModel::SortRow(int row) {
    if (row < 0 || row >= Count()) return -1;
    if (!m_Sorted) return row;
    const uint32_t slot = m_Order[static_cast<std::size_t>(row)];
    // The other rows are in order: the row goes after those that sort before it, before
    // those it sorts before, and among those equal to it where it stood relative to them.
    const int others = Count() - 1;
    auto other = [&](int i) { return m_Order[static_cast<std::size_t>(i < row ? i : i + 1)]; };
    int low = 0, high = others;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (before(other(mid), slot))
            low = mid + 1;
        else
            high = mid;
    }
    const int firstEqual = low;
    high = others;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (before(slot, other(mid)))
            high = mid;
        else
            low = mid + 1;
    }
    const int to = std::clamp(row, firstEqual, low);
    move(row, to);
    return to;
}

} // namespace korvel::platform
