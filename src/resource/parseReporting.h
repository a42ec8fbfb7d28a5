#pragma once

namespace Zem::Resource {

class ResourceStream;
class XmlNode;

// Parses the stream into the document. False when it does not parse, after saying on standard
// output where and what: "main.world line 12: an end tag that does not match its element".
bool parseReporting(XmlNode& document, ResourceStream& stream);

} // namespace Zem::Resource
