#include "main/SimpleRoom.h"

namespace Zem::Main {

SimpleRoom::SimpleRoom(const Resource::XmlNode& element) : Room(element) {}

} // namespace Zem::Main
