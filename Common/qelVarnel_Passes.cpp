// Passes of the object kinds not built yet: each writes nothing until its kind is.
#include "qelVarnel_Passes.h"

namespace qel {

}  // namespace qel
