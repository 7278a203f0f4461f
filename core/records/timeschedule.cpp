#include "core/records/timeschedule.h"

#include "core/errors.h"
#include "core/procedures.h"

#include <algorithm>
#include <bitset>
#include <stdexcept>
#include <string>
#include <utility>

namespace korvel {
namespace {

constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

PeriodPtr NewPeriod(int16_t start, int16_t stop) {
    auto period = std::make_shared<cTimeSchedulePeriod>();
    period->m_StartMinute = start;
    period->m_StopMinute = stop;
    return period;
}

// "hh:mm" of a minute of the day; 1440 gives 24:00.
Bytes MinuteText(int32_t minutes) {
    auto two = [](int32_t v) {
        std::string s = "00" + std::to_string(v);
        return s.substr(s.size() - 2);
    };
    return two(minutes / 60) + ":" + two(minutes % 60);
}

void AppendTwoBytes(Bytes& out, int16_t value) {
    auto p = static_cast<uint16_t>(value);
    out += static_cast<char>(p >> 8);
    out += static_cast<char>(p & 0xFF);
}

} // namespace

PeriodList::PeriodList(std::initializer_list<PeriodPtr> periods) {
    reserve(periods.size());
    for (const PeriodPtr& period : periods) emplace_back(period);
}

PeriodList::PeriodList(const PeriodList& other) {
    if (other.m_Packed) {
        m_Packed = other.m_Packed;
        m_Size = other.m_Size;
        return;
    }
    reserve(other.size());
    for (const PeriodPtr& period : other) emplace_back(period);
}

PeriodList& PeriodList::operator=(const PeriodList& other) {
    if (this != &other) {
        PeriodList copy(other);
        *this = std::move(copy);
    }
    return *this;
}

PeriodPtr& PeriodList::at(size_type i) {
    if (i >= m_Size) throw std::out_of_range("period index out of range");
    return Elements()[i];
}

const PeriodPtr& PeriodList::at(size_type i) const {
    if (i >= m_Size) throw std::out_of_range("period index out of range");
    return Elements()[i];
}

PeriodList::iterator PeriodList::erase(const_iterator first, const_iterator last) {
    // Iterators come from begin(), so the list is unpacked.
    auto* from = const_cast<PeriodPtr*>(first);
    auto* to = const_cast<PeriodPtr*>(last);
    if (from == to) return from;
    PeriodPtr* newEnd = std::move(to, end(), from);
    std::destroy(newEnd, end());
    m_Size = static_cast<uint32_t>(newEnd - m_Data);
    return from;
}

void PeriodList::UnpackNow() const {
    auto* data = static_cast<PeriodPtr*>(::operator new(m_Size * sizeof(PeriodPtr)));
    for (std::size_t i = 0; i < m_Size; ++i) ::new (static_cast<void*>(data + i)) PeriodPtr(m_Packed, &m_Packed[i]);
    m_Data = data;
    m_Capacity = m_Size;
    m_Packed.reset();
}

void PeriodList::Reallocate(size_type count) {
    if (count > UINT32_MAX) throw std::length_error("too many periods");
    auto* data = static_cast<PeriodPtr*>(::operator new(count * sizeof(PeriodPtr)));
    if (m_Data) {
        std::uninitialized_move(m_Data, m_Data + m_Size, data);
        std::destroy(m_Data, m_Data + m_Size);
        ::operator delete(static_cast<void*>(m_Data));
    }
    m_Data = data;
    m_Capacity = static_cast<uint32_t>(count);
}

void PeriodList::Release() noexcept {
    if (m_Data) {
        std::destroy(m_Data, m_Data + m_Size);
        ::operator delete(static_cast<void*>(m_Data));
    }
    m_Packed.reset();
    m_Data = nullptr;
    m_Size = 0;
    m_Capacity = 0;
}

cTimeSchedule::cTimeSchedule() {
    for (int d = 0; d < 7; ++d) m_Active[d] = kTrue;
}

cTimeSchedule::cTimeSchedule(const cTimeSchedule& other)
    : m_Active(other.m_Active),
      m_Grouped(other.m_Grouped),
      m_AxisIndex(other.m_AxisIndex),
      m_UseCalendar(other.m_UseCalendar),
      m_SelectedDayType(other.m_SelectedDayType),
      m_CopiedDayType(other.m_CopiedDayType),
      m_EditStartMinute(other.m_EditStartMinute),
      m_EditStopMinute(other.m_EditStopMinute),
      m_NumberOfAxisToPaint(other.m_NumberOfAxisToPaint) {
    for (int d = 0; d < kDayTypeCount; ++d) {
        m_Periods[d].reserve(other.m_Periods[d].size());
        for (const PeriodPtr& period : other.m_Periods[d]) {
            m_Periods[d].push_back(std::make_shared<cTimeSchedulePeriod>(*period));
            if (period == other.m_SelectedPeriod) m_SelectedPeriod = m_Periods[d].back();
        }
    }
}

cTimeSchedule& cTimeSchedule::operator=(const cTimeSchedule& other) {
    if (this != &other) {
        cTimeSchedule copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void cTimeSchedule::PaintRow(ScheduleView& view, int64_t dayType) const {
    if (IsDayType(dayType)) view.PaintDayTypeAxis(static_cast<int>(dayType));
}

PeriodPtr cTimeSchedule::GetNextTimePeriod(int DayType, int16_t& StartTime, int16_t& StopTime,
                                           const PeriodPtr& LastTimePeriod) const {
    if (!IsDayType(DayType) || m_Active[DayType] == 0) return nullptr;
    const PeriodList& periods = m_Periods[DayType];
    PeriodPtr next;
    if (!LastTimePeriod) {
        if (!periods.empty()) next = periods.front();
    } else {
        auto it = std::find(periods.begin(), periods.end(), LastTimePeriod);
        if (it != periods.end() && std::next(it) != periods.end()) next = *std::next(it);
    }
    if (next) {
        StartTime = next->m_StartMinute;
        StopTime = next->m_StopMinute;
    }
    return next;
}

PeriodList* cTimeSchedule::GetTimeSchedulePeriod(int iDayType) {
    if (!IsDayType(iDayType) || m_Active[iDayType] == 0) return nullptr;
    return &m_Periods[iDayType];
}

void cTimeSchedule::SetActive(int DayType, int16_t State) {
    if (IsDayType(DayType)) m_Active[DayType] = State != 0 ? kTrue : kFalse;
}

int16_t cTimeSchedule::GetActive(int DayType) const { return IsDayType(DayType) ? m_Active[DayType] : 0; }

void cTimeSchedule::SetDefaultPeriod() {
    for (int d = 0; d <= 4; ++d) {
        m_Active[d] = kTrue;
        m_Grouped[d] = kTrue;
        m_Periods[d].push_back(NewPeriod(420, 960));
    }
}

std::size_t cTimeSchedule::PeriodArrayLength() const {
    std::size_t length = 2;
    for (const PeriodList& periods : m_Periods) length += 8 + 4 * periods.size();
    return length;
}

void cTimeSchedule::AppendPeriodArray(Bytes& out) const {
    if (PeriodArrayLength() > static_cast<std::size_t>(kMaxStringLength))
        throw EncodeError("period string longer than 32767 bytes");
    for (int d = 0; d < kDayTypeCount; ++d) {
        const PeriodList& periods = m_Periods[d];
        AppendTwoBytes(out, m_Active[d]);
        AppendTwoBytes(out, m_Grouped[d]);
        AppendTwoBytes(out, static_cast<int16_t>(periods.size()));
        periods.ForEachSpan([&out](const cTimeSchedulePeriod& period) {
            AppendTwoBytes(out, period.m_StartMinute);
            AppendTwoBytes(out, period.m_StopMinute);
        });
        AppendTwoBytes(out, m_AxisIndex[d]);
    }
    AppendTwoBytes(out, m_UseCalendar);
}

Bytes cTimeSchedule::ComposePeriodArray() const {
    Bytes out;
    out.reserve(PeriodArrayLength());
    AppendPeriodArray(out);
    return out;
}

namespace {

int16_t Int16At(std::string_view bytes, std::size_t at) {
    return static_cast<int16_t>(static_cast<uint16_t>((static_cast<unsigned char>(bytes[at]) << 8) |
                                                      static_cast<unsigned char>(bytes[at + 1])));
}

} // namespace

bool cTimeSchedule::ExtractPeriodArray(std::string_view PeriodArray) {
    // First the layout: every field must be there before anything changes, and the number
    // of periods gives the size of the one block that holds them all.
    const std::size_t size = PeriodArray.size();
    std::size_t p = 0;
    std::size_t total = 0;
    bool exact = true;
    for (int d = 0; d < kDayTypeCount; ++d) {
        if (size - p < 6) throw DecodeError("body ends inside an Int16");
        const int16_t n = Int16At(PeriodArray, p + 4);
        p += 6;
        if (n < 0) {
            exact = false; // no periods; written back as 0
        } else if (n > 0) {
            if (static_cast<std::size_t>(n) * 4 > size - p) throw DecodeError("period string ends inside its periods");
            p += static_cast<std::size_t>(n) * 4;
            total += static_cast<std::size_t>(n);
        }
        if (size - p < 2) throw DecodeError("body ends inside an Int16");
        p += 2;
    }
    if (size - p < 2) throw DecodeError("body ends inside an Int16");
    exact = exact && p + 2 == size;

    // The periods share one allocation; the lists hold them packed.
    std::shared_ptr<cTimeSchedulePeriod[]> block;
    if (total > 0) block = std::make_shared_for_overwrite<cTimeSchedulePeriod[]>(total);

    p = 0;
    std::size_t used = 0;
    for (int d = 0; d < kDayTypeCount; ++d) {
        m_Active[d] = Int16At(PeriodArray, p);
        m_Grouped[d] = Int16At(PeriodArray, p + 2);
        const int16_t n = Int16At(PeriodArray, p + 4);
        p += 6;
        PeriodList& list = m_Periods[d];
        list.Release();
        if (n > 0) {
            cTimeSchedulePeriod* first = &block[used];
            for (int16_t i = 0; i < n; ++i, p += 4) {
                first[i].m_StartMinute = Int16At(PeriodArray, p);
                first[i].m_StopMinute = Int16At(PeriodArray, p + 2);
            }
            list.m_Packed = std::shared_ptr<cTimeSchedulePeriod[]>(block, first);
            list.m_Size = static_cast<uint32_t>(n);
            used += static_cast<std::size_t>(n);
        }
        m_AxisIndex[d] = Int16At(PeriodArray, p);
        p += 2;
    }
    m_UseCalendar = Int16At(PeriodArray, p);
    return exact;
}

void cTimeSchedule::CopyPeriods(int from, int to) {
    PeriodList copies;
    copies.reserve(m_Periods[from].size());
    for (const PeriodPtr& period : m_Periods[from])
        copies.push_back(NewPeriod(period->m_StartMinute, period->m_StopMinute));
    m_Periods[to] = std::move(copies);
}

void cTimeSchedule::MergeOverlappingPeriods(int32_t DayType) {
    if (!IsDayType(DayType)) return;
    PeriodList& periods = m_Periods[DayType];
    bool merged = true;
    while (merged) {
        merged = false;
        for (std::size_t a = 0; a < periods.size(); ++a) {
            cTimeSchedulePeriod& first = *periods[a];
            for (std::size_t b = 0; b < periods.size(); ++b) {
                if (b == a) continue;
                const cTimeSchedulePeriod& second = *periods[b];
                if (first.m_StartMinute <= second.m_StartMinute && second.m_StartMinute <= first.m_StopMinute) {
                    if (second.m_StopMinute > first.m_StopMinute) first.m_StopMinute = second.m_StopMinute;
                    if (periods[b] == m_SelectedPeriod) m_SelectedPeriod = periods[a];
                    periods.erase(periods.begin() + static_cast<std::ptrdiff_t>(b));
                    if (b < a) --a;
                    merged = true;
                    break;
                }
            }
        }
    }
}

void cTimeSchedule::CopyToGroupedDayTypes(ScheduleView& view, int32_t DayType) {
    if (!IsDayType(DayType) || m_Grouped[DayType] == 0) return;
    for (int e = 0; e < kDayTypeCount; ++e) {
        if (e == DayType || m_Grouped[e] == 0) continue;
        CopyPeriods(DayType, e);
        MergeOverlappingPeriods(e);
        view.PaintDayTypeAxis(e);
    }
}

void cTimeSchedule::Copy() { m_CopiedDayType = m_SelectedDayType; }

void cTimeSchedule::Paste(ScheduleView& view) {
    const int32_t d = m_SelectedDayType;
    if (!IsDayType(d) || !IsDayType(m_CopiedDayType) || d == m_CopiedDayType) return;
    CopyPeriods(m_CopiedDayType, d);
    m_Grouped[d] = m_Grouped[m_CopiedDayType];
    MergeOverlappingPeriods(d);
    view.PaintDayTypeAxis(d);
}

void cTimeSchedule::Delete(const ClientState& state, ScheduleView& view) {
    const int32_t d = m_SelectedDayType;
    if (!IsDayType(d)) return;
    PeriodList& periods = m_Periods[d];
    auto forgetSelection = [&] {
        m_SelectedPeriod = nullptr;
        view.Set_Text_Schedule_Period_Start("");
        view.Set_Text_Schedule_Period_Stop("");
    };
    if (state.ClearAllDayWhenDeleting) {
        while (!periods.empty()) {
            PeriodPtr removed = periods.front();
            periods.erase(periods.begin());
            if (removed == m_SelectedPeriod) forgetSelection();
        }
    } else if (m_SelectedPeriod) {
        auto it = std::find(periods.begin(), periods.end(), m_SelectedPeriod);
        if (it != periods.end()) {
            periods.erase(it);
            forgetSelection();
        }
    }
    m_Grouped[d] = kFalse;
    MergeOverlappingPeriods(d);
    view.PaintDayTypeAxis(d);
    m_SelectedDayType = -1;
}

void cTimeSchedule::SetTimeFrom00to24(ScheduleView& view) {
    const int32_t d = m_SelectedDayType;
    if (!IsDayType(d)) return;
    m_Periods[d].clear();
    m_Grouped[d] = kFalse;
    m_Periods[d].push_back(NewPeriod(0, kMinutesPerDay));
    view.PaintDayTypeAxis(d);
    m_SelectedDayType = -1;
}

void cTimeSchedule::ExtractTimeFromTextboxes(ScheduleView& view) {
    if (!m_SelectedPeriod) return;
    m_EditStartMinute = ConvertTimeTextToMinutes(view.Get_Text_Schedule_Period_Start());
    m_EditStopMinute = ConvertTimeTextToMinutes(view.Get_Text_Schedule_Period_Stop());
    if (m_EditStopMinute < m_EditStartMinute) std::swap(m_EditStartMinute, m_EditStopMinute);
    m_SelectedPeriod->m_StartMinute = static_cast<int16_t>(m_EditStartMinute);
    m_SelectedPeriod->m_StopMinute = static_cast<int16_t>(m_EditStopMinute);
    view.Set_Text_Schedule_Period_Start(MinuteText(m_EditStartMinute));
    view.Set_Text_Schedule_Period_Stop(MinuteText(m_EditStopMinute));
    MergeOverlappingPeriods(m_SelectedDayType);
    PaintRow(view, m_SelectedDayType);
    CopyToGroupedDayTypes(view, m_SelectedDayType);
}

void cTimeSchedule::InvertTimeSchedule(ScheduleView& view) {
    const int32_t d = m_SelectedDayType;
    if (!IsDayType(d)) return;
    // Minutes 0..1440; marks outside that range are dropped.
    std::bitset<kMinutesPerDay + 1> covered;
    for (const PeriodPtr& period : m_Periods[d]) {
        int first = std::max<int>(period->m_StartMinute, 0);
        int last = std::min<int>(period->m_StopMinute - 1, kMinutesPerDay);
        for (int m = first; m <= last; ++m) covered.set(static_cast<std::size_t>(m));
    }
    PeriodList inverted;
    int m = 0;
    while (m < kMinutesPerDay) {
        if (covered.test(static_cast<std::size_t>(m))) {
            ++m;
            continue;
        }
        PeriodPtr period = NewPeriod(static_cast<int16_t>(m), kMinutesPerDay);
        inverted.push_back(period);
        while (m < kMinutesPerDay && !covered.test(static_cast<std::size_t>(m))) ++m;
        if (m < kMinutesPerDay) period->m_StopMinute = static_cast<int16_t>(m);
        ++m;
    }
    m_Periods[d] = std::move(inverted);
    MergeOverlappingPeriods(d);
    view.PaintDayTypeAxis(d);
    CopyToGroupedDayTypes(view, d);
}

void cTimeSchedule::Group(ScheduleView& view) {
    const int32_t d = m_SelectedDayType;
    if (!IsDayType(d)) return;
    m_Grouped[d] = m_Grouped[d] != 0 ? kFalse : kTrue;
    if (m_Grouped[d] != 0) {
        for (int e = 0; e < kDayTypeCount; ++e) {
            if (e == d || m_Grouped[e] == 0) continue;
            CopyPeriods(e, d);
            MergeOverlappingPeriods(d);
            break;
        }
    }
    view.PaintDayTypeAxis(d);
}

void cTimeSchedule::GroupMonFri(ScheduleView& view) {
    const bool checked = view.Get_Menu_TimeSchedulePopup_Grouped_MonFri_Checked();
    for (int d = 0; d < kDayTypeCount; ++d) m_Grouped[d] = (!checked && d < 5) ? kTrue : kFalse;
    for (int d = 0; d <= 4; ++d) view.PaintDayTypeAxis(d);
    CopyToGroupedDayTypes(view, 0);
    view.Paint();
}

} // namespace korvel
