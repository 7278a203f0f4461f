#pragma once
// The two check-box images of the profile tree, drawn here: 1 = ticked box (profile
// enabled), 2 = empty box (profile disabled).

namespace korvel::platform {
class IconStore;
}

namespace korvel::activeprofiles {

void AddCheckBoxIcons(platform::IconStore& store);

} // namespace korvel::activeprofiles
