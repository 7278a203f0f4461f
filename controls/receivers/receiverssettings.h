#pragma once
// Where the receivers editor keeps its remembered choices in the per-user settings store.

namespace korvel::receivers {

inline constexpr const char* kSettingsApplication = "Korvel ActiveX Receiver Client";
inline constexpr const char* kParametersSection = "Parameters";
inline constexpr const char* kLastSelectedReceiver = "LastSelectedReceiver";
inline constexpr const char* kLastReceiverSortKey = "LastReceiverSortKey";
inline constexpr const char* kLastReceiverSortOrder = "LastReceiverSortOrder";
// Followed by the column number 1 .. 7.
inline constexpr const char* kReceiverListColWidth = "ReceiverListColWidth";

} // namespace korvel::receivers
