#include "core/recordname.h"

#include <ostream>

namespace korvel {

RenameJournal& Renames() {
    static RenameJournal journal;
    return journal;
}

std::ostream& operator<<(std::ostream& out, const RecordName& name) { return out << name.Text(); }

} // namespace korvel
