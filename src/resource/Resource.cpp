#include "resource/Resource.h"

namespace Zem::Resource {

Reload Resource::adopt(Resource&) {
    return Reload::NotInPlace;
}

} // namespace Zem::Resource
