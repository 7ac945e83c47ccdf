#include "model/errors.h"

namespace model {

void ThrowListIndex(int index) { throw EListError("List index out of bounds (" + std::to_string(index) + ")"); }

}  // namespace model
