#include "morvane/api/CObject.h"

#include "morvane/api/ClassIds.h"

namespace morvane {

CObject::CObject() : CObjectImpl(clsid::CObject) {}
CObjectListener::CObjectListener() : CObjectImpl(clsid::CObjectListener) {}

} // namespace morvane
