#pragma once

#include "resource/Resource.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Zem::Resource {

// Outcome of XmlNode::parse. Anything but Ok means the document must be discarded.
enum class XmlParseResult : int32_t {
    Ok = 0,
    // No token at all, a document that does not start with a tag, or an end tag where a node
    // belongs.
    NoElement = 2,
    // The text ends inside an element.
    Unclosed = 3,
    // An element is closed by an end tag of another name.
    MismatchedEndTag = 4,
    // No token where a node belongs, or a tag whose attributes break the grammar.
    Malformed = 5,
};

// Where and why a document broke, enough for a message that leads a maker to the mistake.
struct XmlFault {
    XmlParseResult result = XmlParseResult::Ok;
    // The line (from 1) the parser stopped on.
    std::size_t line = 0;
    // The innermost element still open there and the line of its start tag; empty when none.
    std::string openElement;
    std::size_t openLine = 0;
    // The end tag that came while openElement was open, when that is what broke the document.
    std::string endTag;
};

class XmlParser;

// One node of an XML tree: an element, a text or a comment. A document is the tree under its
// root element; the root derives from Resource so a parsed template can sit in the cache.
class XmlNode : public Resource {
public:
    enum class Kind : int32_t { None = 0, Element = 1, Text = 2, Comment = 4 };
    // Byte-wise ordered; std::less<> allows lookups by string_view without a copy.
    using AttributeMap = std::map<std::string, std::string, std::less<>>;

    XmlNode() = default;
    // Parses `text` as a whole document; a failure leaves whatever was built before it.
    explicit XmlNode(std::string_view text);
    // Deep copies; the reference count belongs to the cache entry and is never copied.
    XmlNode(const XmlNode& other);
    XmlNode(XmlNode&& other) noexcept;
    XmlNode& operator=(const XmlNode& other);
    XmlNode& operator=(XmlNode&& other) noexcept;
    ~XmlNode() override;

    // Clears the node and fills it with the document's root element. Text after a zero byte
    // and tokens after the root element are ignored.
    XmlParseResult parse(std::string_view text);
    // `failedAt` is set to the offset in the text where the document broke.
    XmlParseResult parse(std::string_view text, std::size_t& failedAt);
    // Reads the stream to its end and parses it. Lines are joined without a separator.
    XmlParseResult parse(std::istream& in);
    // The same; `fault` says where the document broke and what was left open there.
    XmlParseResult parse(std::istream& in, XmlFault& fault);

    // Erases attributes, children and name; the kind stays.
    void clear();

    // Child number `index` among the children named `name` (of any kind), or empty().
    const XmlNode& child(std::string_view name, std::size_t index = 0) const;
    // Child at `position` in document order, or empty().
    const XmlNode& child(std::size_t position) const;
    std::size_t childCount(std::string_view name) const;
    std::size_t childCount() const { return children.size(); }

    // The first text child's text, or "" when there is none.
    const std::string& text() const;
    // The attribute's value, or "" when it is absent.
    std::string attribute(std::string_view name) const;
    // True for a node with no name and no children: what a failed lookup returns.
    bool isEmpty() const { return nodeName.empty() && children.empty(); }

    // Appends a deep copy of `node` and returns the new child.
    XmlNode& addChild(const XmlNode& node);
    XmlNode& addChild(XmlNode&& node);
    // Deletes the first child of the same kind and name as `node`; false when there is none.
    bool removeChild(const XmlNode& node);

    // Element tag name, the text of a text node, or a comment's content.
    const std::string& name() const { return nodeName; }
    Kind kind() const { return nodeKind; }
    const AttributeMap& attributes() const { return attributeMap; }
    // The line (from 1) of the document the node starts on; 0 for a node not parsed from one.
    std::size_t line() const { return sourceLine; }

    void setName(std::string name) { nodeName = std::move(name); }
    void setKind(Kind kind) { nodeKind = kind; }
    // Replaces an earlier value of the same name.
    void setAttribute(std::string_view name, std::string value);

    // The shared node returned by lookups that find nothing. It lives until the process ends.
    static const XmlNode& empty();

private:
    friend class XmlParser;

    // Frees the subtree level by level, so a deep document cannot exhaust the call stack.
    void releaseChildren();
    // Copies `other`'s subtree into this childless node, without recursion.
    void copyContent(const XmlNode& other);

    // First, so it fills the padding after the reference count: documents hold many nodes.
    Kind nodeKind = Kind::None;
    uint32_t sourceLine = 0;
    AttributeMap attributeMap;
    std::vector<std::unique_ptr<XmlNode>> children;
    std::string nodeName;
};

} // namespace Zem::Resource
