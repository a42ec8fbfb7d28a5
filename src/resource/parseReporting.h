#pragma once

namespace Zem::Resource {

class ResourceStream;
class XmlNode;

// Parses the stream into the document. False when it does not parse, after reporting where and
// what, naming the file it came from: "data/main.world:12: a tag breaks the XML grammar".
bool parseReporting(XmlNode& document, ResourceStream& stream);

} // namespace Zem::Resource
