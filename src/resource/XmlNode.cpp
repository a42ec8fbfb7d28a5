#include "resource/XmlNode.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <utility>
#include <vector>

namespace Zem::Resource {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDecimalDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned hexDigitValue(char c) {
    if (isDecimalDigit(c)) {
        return static_cast<unsigned>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<unsigned>(c - 'a' + 10);
    }
    return static_cast<unsigned>(c - 'A' + 10);
}

const char* findChar(const char* from, const char* end, char c) {
    const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
    return found != nullptr ? static_cast<const char*>(found) : end;
}

// Replaces each "&#65;" / "&#x41;" by the character with the low byte of the number. The one
// character after the digits is dropped whatever it is, named entities stay as written, and the
// result is not scanned again.
std::string expandReferences(std::string_view text) {
    if (text.find("&#") == std::string_view::npos) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        if (text[i] != '&' || i + 1 >= size || text[i + 1] != '#') {
            out += text[i++];
            continue;
        }
        const bool hex = i + 2 < size && text[i + 2] == 'x';
        const std::size_t digitsBegin = i + (hex ? 3 : 2);
        std::size_t digitsEnd = digitsBegin;
        while (digitsEnd < size && isHexDigit(text[digitsEnd])) {
            ++digitsEnd;
        }
        // Only the low byte is kept, so wrapping arithmetic gives the right character.
        unsigned value = 0;
        bool anyDigit = false;
        if (hex) {
            for (std::size_t d = digitsBegin; d < digitsEnd; ++d) {
                value = value * 16u + hexDigitValue(text[d]);
            }
            anyDigit = digitsEnd > digitsBegin;
        } else {
            // Read as a decimal number: it stops at the first letter of the run.
            for (std::size_t d = digitsBegin; d < digitsEnd && isDecimalDigit(text[d]); ++d) {
                value = value * 10u + static_cast<unsigned>(text[d] - '0');
                anyDigit = true;
            }
        }
        if (!anyDigit) {
            // Not a reference: "&#" without a number is kept as written.
            out += text[i++];
            continue;
        }
        out += static_cast<char>(value & 0xffu);
        i = digitsEnd < size ? digitsEnd + 1 : digitsEnd;
    }
    return out;
}

enum class TokenKind { Text, StartTag, EndTag, EmptyTag, Declaration };

struct Token {
    TokenKind kind = TokenKind::Text;
    // Raw text: references are expanded when a node is built from it, never twice.
    std::string_view text;
};

// Cuts the document into tokens one at a time; the parser only ever needs the current one.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view document)
        : cursor(document.data()), end(document.data() + document.size()) {
        advance();
    }

    bool hasToken() const { return tokenReady; }
    const Token& current() const { return token; }
    // Where the current token starts in the document; the end once none is left.
    const char* position() const { return tokenReady ? tokenStart : end; }

    void advance() {
        tokenReady = false;
        while (!tokenReady && cursor < end) {
            readToken();
        }
    }

private:
    void readToken() {
        const char* spaceBegin = cursor;
        while (cursor < end && isSpace(*cursor)) {
            ++cursor;
        }
        tokenStart = cursor;
        if (cursor < end && *cursor == '<') {
            // White space standing before a tag belongs to nothing.
            readTag();
            return;
        }
        // Text keeps the white space collected before it.
        cursor = findChar(cursor, end, '<');
        setToken(TokenKind::Text, spaceBegin, cursor);
    }

    void readTag() {
        ++cursor;
        TokenKind kind = TokenKind::StartTag;
        if (cursor < end && *cursor == '/') {
            kind = TokenKind::EndTag;
            ++cursor;
        } else if (cursor < end && *cursor == '!') {
            kind = TokenKind::Declaration;
            ++cursor;
        }
        const char* begin = cursor;
        // No quoting inside tags: the first '>' ends the tag, even inside an attribute value.
        const char* close = findChar(cursor, end, '>');
        const char* textEnd = close;
        if (close < end && kind != TokenKind::Declaration && close > begin && close[-1] == '/') {
            kind = TokenKind::EmptyTag;
            --textEnd;
        }
        cursor = close < end ? close + 1 : end;
        setToken(kind, begin, textEnd);
    }

    void setToken(TokenKind kind, const char* begin, const char* textEnd) {
        if (textEnd == begin) {
            return;
        }
        token.kind = kind;
        token.text = std::string_view(begin, static_cast<std::size_t>(textEnd - begin));
        tokenReady = true;
    }

    const char* cursor;
    const char* end;
    const char* tokenStart = nullptr;
    Token token;
    bool tokenReady = false;
};

// Turns offsets into the parsed text into lines. Asked in increasing order, as the parser goes,
// it walks the lines' starts once.
class LineCounter {
public:
    // Where each line starts in the text, the first at 0.
    explicit LineCounter(const std::vector<std::size_t>& lineStarts) : starts(lineStarts) {}

    // The last line that starts at or before the offset: empty lines share an offset with the
    // next, so an offset is put on the line that holds text.
    uint32_t lineAt(std::size_t offset) {
        while (next < starts.size() && starts[next] <= offset) {
            ++next;
        }
        return static_cast<uint32_t>(std::max<std::size_t>(next, 1));
    }

private:
    const std::vector<std::size_t>& starts;
    std::size_t next = 0;
};

std::vector<std::size_t> lineStartsOf(std::string_view text) {
    std::vector<std::size_t> starts{0};
    for (std::size_t at = text.find('\n'); at != std::string_view::npos;
         at = text.find('\n', at + 1)) {
        starts.push_back(at + 1);
    }
    return starts;
}

} // namespace

// Builds a tree from tokens. Open elements are kept on an explicit stack rather than the call
// stack, so nesting depth is bounded by memory only.
class XmlParser {
public:
    // Each node gets the line its token starts on; `fault` says where the document broke and
    // `failedAt` the offset of that token.
    XmlParser(std::string_view document, const std::vector<std::size_t>& lineStarts)
        : text(document), tokens(document), lines(lineStarts) {}

    XmlParseResult parseDocument(XmlNode& root, XmlFault& fault, std::size_t& failedAt) {
        root.clear();
        XmlParseResult result = XmlParseResult::NoElement;
        if (tokens.hasToken()) {
            const TokenKind first = tokens.current().kind;
            if (first == TokenKind::StartTag || first == TokenKind::EmptyTag) {
                if (tokens.current().text.front() == '?') {
                    tokens.advance();
                }
                result = buildTree(root, fault);
            }
        }
        failedAt = static_cast<std::size_t>(tokens.position() - text.data());
        fault.result = result;
        fault.line = lines.lineAt(failedAt);
        return result;
    }

private:
    XmlParseResult buildTree(XmlNode& root, XmlFault& fault) {
        if (!tokens.hasToken()) {
            return XmlParseResult::Malformed;
        }
        if (tokens.current().kind == TokenKind::EndTag) {
            return XmlParseResult::NoElement;
        }
        bool opened = false;
        const XmlParseResult result = fillNode(root, opened);
        if (result != XmlParseResult::Ok || !opened) {
            return result;
        }
        OpenElements open(root);
        const XmlParseResult childrenResult = readChildren(open);
        if (childrenResult != XmlParseResult::Ok) {
            const XmlNode& innermost = open.innermost();
            fault.openElement = innermost.nodeName;
            fault.openLine = innermost.sourceLine;
            if (childrenResult == XmlParseResult::MismatchedEndTag) {
                fault.endTag = std::string(tokens.current().text);
            }
            open.keepFinishedRootChildren();
        }
        return childrenResult;
    }

    // Elements whose children are being read. The finished children of all of them wait on one
    // stack; an element takes its own run when it closes, so every child list is allocated once,
    // at its final size. An element is attached to its parent only once complete, so a failure
    // leaves out the unfinished branch.
    class OpenElements {
    public:
        explicit OpenElements(XmlNode& root) : root(root) {}

        XmlNode& innermost() { return unfinished.empty() ? root : *unfinished.back(); }
        bool onlyRootOpen() const { return unfinished.empty(); }

        void addFinished(std::unique_ptr<XmlNode> node) { finished.push_back(std::move(node)); }

        void open(std::unique_ptr<XmlNode> node) {
            unfinished.push_back(std::move(node));
            firstChild.push_back(finished.size());
        }

        // Hands the innermost element its children and makes it a finished child of its parent.
        void closeInnermost() {
            takeChildren(innermost(), firstChild.back(), finished.size());
            firstChild.pop_back();
            if (!unfinished.empty()) {
                finished.push_back(std::move(unfinished.back()));
                unfinished.pop_back();
            }
        }

        void keepFinishedRootChildren() {
            takeChildren(root, firstChild.front(),
                         firstChild.size() > 1 ? firstChild[1] : finished.size());
        }

    private:
        void takeChildren(XmlNode& parent, std::size_t first, std::size_t last) {
            const auto begin = finished.begin() + static_cast<std::ptrdiff_t>(first);
            const auto end = finished.begin() + static_cast<std::ptrdiff_t>(last);
            parent.children.assign(std::make_move_iterator(begin), std::make_move_iterator(end));
            finished.erase(begin, end);
        }

        XmlNode& root;
        std::vector<std::unique_ptr<XmlNode>> unfinished;
        std::vector<std::unique_ptr<XmlNode>> finished;
        std::vector<std::size_t> firstChild{0};
    };

    XmlParseResult readChildren(OpenElements& open) {
        for (;;) {
            if (!tokens.hasToken()) {
                return XmlParseResult::Unclosed;
            }
            const Token& token = tokens.current();
            if (token.kind == TokenKind::EndTag) {
                // Compared byte for byte with the expanded name: "</a >" does not close "a".
                if (token.text != open.innermost().nodeName) {
                    return XmlParseResult::MismatchedEndTag;
                }
                tokens.advance();
                const bool documentDone = open.onlyRootOpen();
                open.closeInnermost();
                if (documentDone) {
                    return XmlParseResult::Ok;
                }
                continue;
            }
            auto node = std::make_unique<XmlNode>();
            bool opened = false;
            const XmlParseResult result = fillNode(*node, opened);
            if (result != XmlParseResult::Ok) {
                return result;
            }
            if (opened) {
                open.open(std::move(node));
            } else {
                open.addFinished(std::move(node));
            }
        }
    }

    // Fills `node` from the current token (never an end tag) and consumes it. `opened` tells
    // whether the node is a start tag whose children come next.
    XmlParseResult fillNode(XmlNode& node, bool& opened) {
        const Token& token = tokens.current();
        opened = false;
        node.sourceLine = lines.lineAt(static_cast<std::size_t>(tokens.position() - text.data()));
        switch (token.kind) {
        case TokenKind::Text:
            node.nodeKind = XmlNode::Kind::Text;
            node.nodeName = expandReferences(token.text);
            break;
        case TokenKind::Declaration:
            node.nodeKind = XmlNode::Kind::Comment;
            node.nodeName = expandReferences(token.text);
            break;
        case TokenKind::StartTag:
        case TokenKind::EmptyTag: {
            node.nodeKind = XmlNode::Kind::Element;
            const std::string_view text = token.text;
            const auto nameEnd = static_cast<std::size_t>(
                std::find_if(text.begin(), text.end(), isSpace) - text.begin());
            node.nodeName = expandReferences(text.substr(0, nameEnd));
            const XmlParseResult result = readAttributes(text, node.attributeMap);
            if (result != XmlParseResult::Ok) {
                return result;
            }
            opened = token.kind == TokenKind::StartTag;
            break;
        }
        case TokenKind::EndTag:
            return XmlParseResult::NoElement;
        }
        tokens.advance();
        return XmlParseResult::Ok;
    }

    // name='value' or name="value" pairs after the tag name, values kept exactly as written.
    static XmlParseResult readAttributes(std::string_view tag, XmlNode::AttributeMap& attributes) {
        const std::size_t size = tag.size();
        std::size_t i = 0;
        while (i < size && isSpace(tag[i])) {
            ++i;
        }
        while (i < size && !isSpace(tag[i])) {
            ++i;
        }
        for (;;) {
            while (i < size && isSpace(tag[i])) {
                ++i;
            }
            // A '?' ends the attribute list of a declaration.
            if (i >= size || tag[i] == '?') {
                return XmlParseResult::Ok;
            }
            const std::size_t nameBegin = i;
            while (i < size && tag[i] != '=' && !isSpace(tag[i])) {
                ++i;
            }
            const std::string_view name = tag.substr(nameBegin, i - nameBegin);
            if (i + 1 >= size || tag[i] != '=' || (tag[i + 1] != '\'' && tag[i + 1] != '"')) {
                return XmlParseResult::Malformed;
            }
            const char quote = tag[i + 1];
            const std::size_t valueBegin = i + 2;
            const std::size_t valueEnd = tag.find(quote, valueBegin);
            if (valueEnd == std::string_view::npos) {
                return XmlParseResult::Malformed;
            }
            std::string value(tag.substr(valueBegin, valueEnd - valueBegin));
            auto found = attributes.find(name);
            if (found != attributes.end()) {
                found->second = std::move(value);
            } else {
                attributes.emplace(std::string(name), std::move(value));
            }
            i = valueEnd + 1;
        }
    }

    std::string_view text;
    Tokenizer tokens;
    LineCounter lines;
};

XmlNode::XmlNode(std::string_view text) {
    parse(text);
}

XmlNode::XmlNode(const XmlNode& other) : Resource() {
    copyContent(other);
}

XmlNode::XmlNode(XmlNode&& other) noexcept
    : Resource(), nodeKind(other.nodeKind), sourceLine(other.sourceLine),
      attributeMap(std::move(other.attributeMap)), children(std::move(other.children)),
      nodeName(std::move(other.nodeName)) {
    other.attributeMap.clear();
    other.children.clear();
    other.nodeName.clear();
}

XmlNode& XmlNode::operator=(const XmlNode& other) {
    if (this != &other) {
        // Copy first: `other` may live inside the subtree this assignment replaces.
        XmlNode copy(other);
        *this = std::move(copy);
    }
    return *this;
}

XmlNode& XmlNode::operator=(XmlNode&& other) noexcept {
    if (this != &other) {
        // Taken out before clearing: `other` may live inside the subtree that is replaced.
        AttributeMap movedAttributes = std::move(other.attributeMap);
        std::vector<std::unique_ptr<XmlNode>> movedChildren = std::move(other.children);
        std::string movedName = std::move(other.nodeName);
        const Kind movedKind = other.nodeKind;
        const uint32_t movedLine = other.sourceLine;
        other.attributeMap.clear();
        other.children.clear();
        other.nodeName.clear();
        clear();
        attributeMap = std::move(movedAttributes);
        children = std::move(movedChildren);
        nodeName = std::move(movedName);
        nodeKind = movedKind;
        sourceLine = movedLine;
    }
    return *this;
}

XmlNode::~XmlNode() {
    releaseChildren();
}

void XmlNode::releaseChildren() {
    std::vector<std::unique_ptr<XmlNode>> doomed = std::move(children);
    children.clear();
    while (!doomed.empty()) {
        std::unique_ptr<XmlNode> node = std::move(doomed.back());
        doomed.pop_back();
        for (std::unique_ptr<XmlNode>& grandChild : node->children) {
            if (grandChild->children.empty()) {
                grandChild.reset();
            } else {
                doomed.push_back(std::move(grandChild));
            }
        }
        node->children.clear();
    }
}

void XmlNode::copyContent(const XmlNode& other) {
    attributeMap = other.attributeMap;
    nodeName = other.nodeName;
    nodeKind = other.nodeKind;
    sourceLine = other.sourceLine;
    std::vector<std::pair<const XmlNode*, XmlNode*>> pending{{&other, this}};
    while (!pending.empty()) {
        const auto [source, target] = pending.back();
        pending.pop_back();
        target->children.reserve(source->children.size());
        for (const std::unique_ptr<XmlNode>& sourceChild : source->children) {
            auto copy = std::make_unique<XmlNode>();
            copy->attributeMap = sourceChild->attributeMap;
            copy->nodeName = sourceChild->nodeName;
            copy->nodeKind = sourceChild->nodeKind;
            copy->sourceLine = sourceChild->sourceLine;
            if (!sourceChild->children.empty()) {
                pending.emplace_back(sourceChild.get(), copy.get());
            }
            target->children.push_back(std::move(copy));
        }
    }
}

XmlParseResult XmlNode::parse(std::string_view text) {
    std::size_t failedAt = 0;
    return parse(text, failedAt);
}

XmlParseResult XmlNode::parse(std::string_view text, std::size_t& failedAt) {
    // A zero byte ends the text.
    const std::size_t zero = text.find('\0');
    if (zero != std::string_view::npos) {
        text = text.substr(0, zero);
    }
    const std::vector<std::size_t> lineStarts = lineStartsOf(text);
    XmlFault fault;
    return XmlParser(text, lineStarts).parseDocument(*this, fault, failedAt);
}

XmlParseResult XmlNode::parse(std::istream& in) {
    XmlFault fault;
    return parse(in, fault);
}

XmlParseResult XmlNode::parse(std::istream& in, XmlFault& fault) {
    std::string document;
    std::size_t size = 0;
    const std::size_t chunk = 65536;
    // Reads to the end of input, or up to a failure of the stream.
    for (;;) {
        document.resize(size + chunk);
        in.read(&document[size], static_cast<std::streamsize>(chunk));
        const std::size_t got = static_cast<std::size_t>(in.gcount());
        size += got;
        if (got < chunk) {
            break;
        }
    }
    // Line feeds are dropped, not turned into white space: documents keep each tag on one line
    // and text continued on the next line is joined to it as written.
    char* out = &document[0];
    const char* line = out;
    const char* end = out + size;
    // Where each line starts in the joined text, to tell the line a node or a failure lies on.
    std::vector<std::size_t> lineStarts;
    while (line < end) {
        lineStarts.push_back(static_cast<std::size_t>(out - document.data()));
        const char* lineEnd = findChar(line, end, '\n');
        const std::size_t length = static_cast<std::size_t>(lineEnd - line);
        std::memmove(out, line, length);
        out += length;
        line = lineEnd < end ? lineEnd + 1 : end;
    }
    document.resize(static_cast<std::size_t>(out - document.data()));
    std::string_view text = document;
    // A zero byte ends the text.
    const std::size_t zero = text.find('\0');
    if (zero != std::string_view::npos) {
        text = text.substr(0, zero);
    }
    std::size_t failedAt = 0;
    return XmlParser(text, lineStarts).parseDocument(*this, fault, failedAt);
}

void XmlNode::clear() {
    attributeMap.clear();
    releaseChildren();
    nodeName.clear();
}

const XmlNode& XmlNode::child(std::string_view name, std::size_t index) const {
    for (const std::unique_ptr<XmlNode>& node : children) {
        if (node->nodeName == name) {
            if (index == 0) {
                return *node;
            }
            --index;
        }
    }
    return empty();
}

const XmlNode& XmlNode::child(std::size_t position) const {
    return position < children.size() ? *children[position] : empty();
}

std::size_t XmlNode::childCount(std::string_view name) const {
    return static_cast<std::size_t>(std::count_if(
        children.begin(), children.end(),
        [name](const std::unique_ptr<XmlNode>& node) { return node->nodeName == name; }));
}

const std::string& XmlNode::text() const {
    for (const std::unique_ptr<XmlNode>& node : children) {
        if (node->nodeKind == Kind::Text) {
            return node->nodeName;
        }
    }
    static const std::string noText;
    return noText;
}

std::string XmlNode::attribute(std::string_view name) const {
    const auto found = attributeMap.find(name);
    return found != attributeMap.end() ? found->second : std::string();
}

XmlNode& XmlNode::addChild(const XmlNode& node) {
    // Copied before it is appended: `node` may be this node or one of its children.
    children.push_back(std::make_unique<XmlNode>(node));
    return *children.back();
}

XmlNode& XmlNode::addChild(XmlNode&& node) {
    children.push_back(std::make_unique<XmlNode>(std::move(node)));
    return *children.back();
}

bool XmlNode::removeChild(const XmlNode& node) {
    const auto found = std::find_if(
        children.begin(), children.end(), [&node](const std::unique_ptr<XmlNode>& candidate) {
            return candidate->nodeKind == node.nodeKind && candidate->nodeName == node.nodeName;
        });
    if (found == children.end()) {
        return false;
    }
    children.erase(found);
    return true;
}

void XmlNode::setAttribute(std::string_view name, std::string value) {
    const auto found = attributeMap.find(name);
    if (found != attributeMap.end()) {
        found->second = std::move(value);
    } else {
        attributeMap.emplace(std::string(name), std::move(value));
    }
}

const XmlNode& XmlNode::empty() {
    // Never destroyed, so lookups stay valid even while static objects are torn down.
    static const XmlNode* const node = new XmlNode();
    return *node;
}

} // namespace Zem::Resource
