#pragma once
#include <QString>

namespace ovk {

// The folder of the instrument library (KIND/NAME.tonviki): beside the
// program as installed or as built (BIN/../share/tonvik3/instruments), else
// where it was installed, else in the system's data folders. Empty when
// there is none.
QString InstrumentLibraryFolder();

} // namespace ovk
