#include "storedocument.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr char firstPrintable = 0x20;
constexpr char lastPrintable = 0x7E;
constexpr const char *indentUnit = "  ";
// Indentation copied from the file for a new element; deeper files get none, so
// an element added deep inside a foreign tree never costs more than this.
constexpr size_t maxIndentation = 256;
// Room for a few more records than the last print had.
constexpr qsizetype reserveSlack = 256;
constexpr int hexBase = 16;

// Whitespace between elements is kept as text, and references are kept as
// written (the text is escaped on the way in and out by this class), so the
// file is written back as it was read. Comments and the like are content: the
// file belongs to others too. Read as a fragment, so that the reader keeps
// what stands beside the root element (layout, and anything else, which
// loadDamage then refuses) instead of dropping it unseen.
constexpr unsigned parseOptions
    = (pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration
          | pugi::parse_doctype | pugi::parse_ws_pcdata | pugi::parse_fragment)
    & ~pugi::parse_escapes;
constexpr unsigned formatOptions
    = pugi::format_raw | pugi::format_no_escapes | pugi::format_no_declaration;

class ByteArrayWriter final : public pugi::xml_writer
{
public:
    QByteArray bytes;
    void write(const void *data, size_t size) override
    {
        bytes.append(static_cast<const char *>(data), qsizetype(size));
    }
};

bool isPlainText(QByteArrayView value)
{
    bool allBlanks = true;
    for (const char byte : value) {
        if (byte < firstPrintable || byte > lastPrintable)
            return false;
        allBlanks = allBlanks && byte == ' ';
    }
    return !allBlanks || value.isEmpty();
}

std::string toStdString(QByteArrayView bytes)
{
    return std::string(bytes.data(), size_t(bytes.size()));
}

std::string escaped(QByteArrayView value)
{
    std::string text;
    text.reserve(size_t(value.size()));
    for (const char c : value) {
        if (c == '&')
            text += "&amp;";
        else if (c == '<')
            text += "&lt;";
        else if (c == '>')
            text += "&gt;";
        else
            text += c;
    }
    return text;
}

// Text as the file has it, references and all, read as an XML reader does.
QByteArray unescaped(const char *text)
{
    const QByteArrayView raw(text);
    if (!raw.contains('&'))
        return raw.toByteArray();
    pugi::xml_document holder;
    const std::string wrapped = "<v>" + std::string(text) + "</v>";
    if (!holder.load_buffer(wrapped.data(), wrapped.size(), pugi::parse_default))
        return raw.toByteArray();
    return QByteArray(holder.document_element().text().get());
}

bool isLayoutText(pugi::xml_node node)
{
    if (node.type() != pugi::node_pcdata)
        return false;
    const QByteArrayView text(node.value());
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return !text.isEmpty();
}

// The line break and indentation that put `element` on a line of its own, or
// nothing when the file does not lay it out that way.
std::optional<std::string> lineStart(pugi::xml_node element)
{
    if (element.parent().type() == pugi::node_document)
        return std::string("\n");
    const pugi::xml_node before = element.previous_sibling();
    if (!isLayoutText(before))
        return std::nullopt;
    const std::string text = before.value();
    const size_t lineBreak = text.rfind('\n');
    if (lineBreak == std::string::npos || text.size() - lineBreak > maxIndentation)
        return std::nullopt;
    return text.substr(lineBreak);
}

// The file is always written as UTF-8, whatever encoding it was read in, so a
// declaration that names another one, even in a garbled attribute the reader
// took the encoding from, would garble it.
void declareUtf8(pugi::xml_node declaration)
{
    bool named = false;
    for (pugi::xml_attribute attribute = declaration.first_attribute(); attribute;) {
        const pugi::xml_attribute next = attribute.next_attribute();
        const QByteArrayView name(attribute.name());
        if (name != QByteArrayView("version") && name != QByteArrayView("standalone")) {
            declaration.remove_attribute(attribute);
            named = true;
        }
        attribute = next;
    }
    if (!named)
        return;
    const pugi::xml_attribute version = declaration.attribute("version");
    (version ? declaration.insert_attribute_after("encoding", version)
             : declaration.prepend_attribute("encoding"))
        .set_value("UTF-8");
}

// Whether `bytes` hold a control character other than tab, line feed and
// carriage return. Searched for one by one: the C library's search is many
// times faster than a loop over the bytes, which matters in a large store.
bool holdsForbiddenControl(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return false;
    for (char control = 0; control < firstPrintable; ++control) {
        if (control != '\t' && control != '\n' && control != '\r'
            && std::memchr(bytes.data(), control, size_t(bytes.size())))
            return true;
    }
    return false;
}

// What a lenient parse let through that other XML readers refuse: bytes that
// are no characters of the file's encoding, more or less than one root
// element, text beside it, and a declaration or document type out of place.
// Null when there is nothing of the kind.
const char *documentDamage(
    QByteArrayView bytes, pugi::xml_encoding encoding, const pugi::xml_document &document)
{
    // A file in UTF-16 or UTF-32 is checked as the parser converted it.
    const bool byBytes = encoding == pugi::encoding_utf8 || encoding == pugi::encoding_latin1;
    ByteArrayWriter converted;
    if (!byBytes)
        document.save(converted, "", formatOptions, pugi::encoding_utf8);
    const QByteArrayView characters = byBytes ? bytes : QByteArrayView(converted.bytes);
    if (holdsForbiddenControl(characters))
        return "a control character";
    if (encoding != pugi::encoding_latin1 && !characters.isValidUtf8())
        return "bytes that are not UTF-8";
    int elements = 0;
    bool typed = false;
    for (const pugi::xml_node node : document.children()) {
        switch (node.type()) {
        case pugi::node_element:
            if (++elements > 1)
                return "more than one root element";
            break;
        case pugi::node_declaration:
            if (node != document.first_child())
                return "a declaration that does not begin the file";
            break;
        case pugi::node_doctype:
            if (elements > 0 || typed)
                return "a document type out of place";
            typed = true;
            break;
        case pugi::node_comment:
        case pugi::node_pi:
            break;
        default:
            if (!isLayoutText(node))
                return "text outside the root element";
        }
    }
    return elements == 0 ? "no root element" : nullptr;
}

bool hasDuplicateAttribute(pugi::xml_node element)
{
    if (!element.first_attribute().next_attribute())
        return false;
    std::vector<std::string_view> names;
    for (const pugi::xml_attribute attribute : element.attributes())
        names.emplace_back(attribute.name());
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) != names.end();
}

pugi::xml_node nextInDocumentOrder(pugi::xml_node node)
{
    if (node.first_child())
        return node.first_child();
    while (node && !node.next_sibling())
        node = node.parent();
    return node ? node.next_sibling() : pugi::xml_node();
}

} // namespace

StoreDocument::StoreDocument()
{
    startEmpty();
}

bool StoreDocument::isValidName(QByteArrayView name)
{
    // Plain ASCII XML names without namespaces; anything else is refused rather
    // than written as a file no XML reader accepts.
    if (name.isEmpty())
        return false;
    const auto isLetter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    };
    const auto isDigit = [](char c) {
        return c >= '0' && c <= '9';
    };
    if (!isLetter(name.front()) && name.front() != '_')
        return false;
    for (const char c : name) {
        if (!isLetter(c) && !isDigit(c) && c != '_' && c != '-' && c != '.')
            return false;
    }
    return true;
}

void StoreDocument::startEmpty()
{
    m_document.reset();
    m_split.valid = false;
    pugi::xml_node declaration = m_document.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    m_document.append_child(pugi::node_pcdata).set_value("\n");
    m_document.append_child(rootElementName);
    m_document.append_child(pugi::node_pcdata).set_value("\n");
    m_changed = false;
    m_undo.element = {};
    m_undo.copyNext = true;
    restorePosition();
}

bool StoreDocument::load(QByteArrayView bytes, QByteArray *error)
{
    if (bytes.trimmed().isEmpty()) {
        startEmpty();
        return true;
    }
    m_document.reset();
    m_split.valid = false;
    m_lastSize = bytes.size();
    const pugi::xml_parse_result parsed
        = m_document.load_buffer(bytes.data(), size_t(bytes.size()), parseOptions);
    const char *damage
        = parsed ? documentDamage(bytes, parsed.encoding, m_document) : parsed.description();
    for (pugi::xml_node node = m_document.first_child(); node && !damage;
         node = nextInDocumentOrder(node)) {
        if (node.type() == pugi::node_declaration)
            declareUtf8(node);
        if (node.type() != pugi::node_element)
            continue;
        if (hasDuplicateAttribute(node)) {
            damage = "a duplicated attribute";
            break;
        }
        // Attribute values go out as read, between double quotes: a double
        // quote that stood between single ones needs its reference.
        for (pugi::xml_attribute attribute : node.attributes()) {
            if (QByteArrayView(attribute.value()).contains('"')) {
                attribute.set_value(
                    QByteArray(attribute.value()).replace("\"", "&quot;").constData());
            }
        }
    }
    if (damage) {
        if (error)
            *error = damage;
        startEmpty();
        return false;
    }
    m_changed = false;
    m_undo.element = {};
    m_undo.copyNext = true;
    restorePosition();
    return true;
}

QByteArray StoreDocument::print(pugi::xml_node node) const
{
    ByteArrayWriter writer;
    if (node == m_document) {
        // Growing the buffer step by step costs more than writing it.
        writer.bytes.reserve(m_lastSize + m_lastSize / 8 + reserveSlack);
        m_document.save(writer, "", formatOptions, pugi::encoding_utf8);
    } else {
        node.print(writer, "", formatOptions, pugi::encoding_utf8);
    }
    return writer.bytes;
}

StoreDocument::Pieces StoreDocument::pieces()
{
    if (!m_changed)
        m_undo.element = {};
    m_changed = false;
    m_undo.copyNext = true;
    Pieces written = split();
    m_lastSize = written.size();
    return written;
}

StoreDocument::Pieces StoreDocument::split()
{
    if (m_split.valid && isAncestorOrSelf(m_split.element, m_position))
        return {m_split.before, print(m_split.element), m_split.after};
    m_split.valid = false;
    if (m_position == m_document.document_element())
        return {{}, print(m_document), {}};

    // The whole document once, with a marker on each side of the position, so
    // that later changes inside it print only the position's element.
    const QByteArray token = "wendalink-split-"
        + QByteArray::number(QRandomGenerator::global()->generate64(), hexBase)
        + QByteArray::number(QRandomGenerator::global()->generate64(), hexBase);
    const QByteArray marker = "<!--" + token + "-->";
    pugi::xml_node parent = m_position.parent();
    pugi::xml_node opening = parent.insert_child_before(pugi::node_comment, m_position);
    pugi::xml_node closing = parent.insert_child_after(pugi::node_comment, m_position);
    opening.set_value(token.constData());
    closing.set_value(token.constData());
    const QByteArray whole = print(m_document);
    parent.remove_child(opening);
    parent.remove_child(closing);
    const qsizetype start = whole.indexOf(marker);
    const qsizetype end = whole.lastIndexOf(marker);
    const qsizetype inside = start + marker.size();
    if (start < 0 || end < inside)
        return {{}, whole, {}};
    m_split = {m_position, whole.left(start), whole.mid(end + marker.size()), true};
    return {m_split.before, whole.mid(inside, end - inside), m_split.after};
}

QByteArray StoreDocument::toBytes()
{
    const Pieces written = pieces();
    QByteArray bytes;
    bytes.reserve(written.size());
    bytes.append(written.before).append(written.element).append(written.after);
    return bytes;
}

void StoreDocument::noteChange()
{
    // Only the position's children change, so a split around the position or
    // one of its ancestors stays true.
    if (m_split.valid && !isAncestorOrSelf(m_split.element, m_position))
        m_split.valid = false;
    m_changed = true;
    if (m_undo.copyNext) {
        // Emptied rather than reset: the copy's memory serves the next one.
        m_undo.copy.remove_children();
        m_undo.copy.append_copy(m_position);
        m_undo.element = m_position;
        m_undo.depth = m_positionPath.size();
        m_undo.copyNext = false;
        m_undo.possible = true;
    } else if (!isAncestorOrSelf(m_undo.element, m_position)) {
        m_undo.possible = false;
    }
}

bool StoreDocument::undoChanges()
{
    m_changed = false;
    m_undo.copyNext = true;
    pugi::xml_node element = m_undo.element;
    m_undo.element = {};
    if (!element)
        return true;
    if (!m_undo.possible)
        return false;
    // Restored in place: the split around it, or around an ancestor, stays true.
    element.remove_attributes();
    element.remove_children();
    const pugi::xml_node kept = m_undo.copy.first_child();
    for (const pugi::xml_attribute attribute : kept.attributes())
        element.append_copy(attribute);
    for (const pugi::xml_node child : kept.children())
        element.append_copy(child);
    m_position = element;
    m_positionPath.resize(m_undo.depth);
    if (m_split.valid && !isAncestorOrSelf(m_split.element, element))
        m_split.valid = false;
    return true;
}

bool StoreDocument::isAncestorOrSelf(pugi::xml_node ancestor, pugi::xml_node node)
{
    for (; node; node = node.parent()) {
        if (node == ancestor)
            return true;
    }
    return false;
}

void StoreDocument::resetPosition()
{
    m_positionPath.clear();
    m_position = m_document.document_element();
}

void StoreDocument::restorePosition()
{
    const QList<QByteArray> path = m_positionPath;
    resetPosition();
    for (const QByteArray &name : path)
        enterCreating(name);
}

bool StoreDocument::enter(QByteArrayView name)
{
    const pugi::xml_node child = m_position.child(toStdString(name).c_str());
    if (!child)
        return false;
    m_position = child;
    m_positionPath << name.toByteArray();
    return true;
}

void StoreDocument::enterCreating(QByteArrayView name)
{
    if (enter(name))
        return;
    noteChange();
    m_position = appendChild(m_position, toStdString(name).c_str());
    m_positionPath << name.toByteArray();
}

pugi::xml_node StoreDocument::appendChild(pugi::xml_node parent, const char *name)
{
    const pugi::xml_node last = parent.last_child();
    if (isLayoutText(last)) {
        // Before the line break that ends the parent, indented like the
        // element children before it.
        std::optional<std::string> indentation;
        for (pugi::xml_node node = last.previous_sibling(); node && !indentation;
             node = node.previous_sibling()) {
            if (node.type() == pugi::node_element)
                indentation = lineStart(node);
        }
        if (!indentation) {
            if (const auto parentStart = lineStart(parent))
                indentation = *parentStart + indentUnit;
        }
        if (indentation)
            parent.insert_child_before(pugi::node_pcdata, last).set_value(indentation->c_str());
        return parent.insert_child_before(name, last);
    }
    if (!last) {
        if (const auto parentStart = lineStart(parent)) {
            parent.append_child(pugi::node_pcdata).set_value((*parentStart + indentUnit).c_str());
            const pugi::xml_node child = parent.append_child(name);
            parent.append_child(pugi::node_pcdata).set_value(parentStart->c_str());
            return child;
        }
    }
    return parent.append_child(name);
}

void StoreDocument::removeChild(pugi::xml_node element)
{
    pugi::xml_node parent = element.parent();
    const pugi::xml_node before = element.previous_sibling();
    if (isLayoutText(before))
        parent.remove_child(before);
    parent.remove_child(element);
}

void StoreDocument::writeTag(QByteArrayView name, QByteArrayView value)
{
    const std::string key = toStdString(name);
    const bool plain = isPlainText(value);
    const std::string text = plain ? escaped(value) : value.toByteArray().toHex().toStdString();
    pugi::xml_node element = m_position.child(key.c_str());
    // A value the store already holds is no change: saving the same records
    // again does not rewrite the file.
    if (element && !element.next_sibling(key.c_str()) && holds(element, plain, text))
        return;
    noteChange();
    if (!element)
        element = appendChild(m_position, key.c_str());
    for (pugi::xml_node duplicate = element.next_sibling(key.c_str()); duplicate;) {
        const pugi::xml_node next = duplicate.next_sibling(key.c_str());
        removeChild(duplicate);
        duplicate = next;
    }
    element.remove_children();
    element.remove_attribute(encodingAttribute);
    if (!plain)
        element.append_attribute(encodingAttribute).set_value(hexEncoding);
    if (!text.empty())
        element.append_child(pugi::node_pcdata).set_value(text.c_str());
}

bool StoreDocument::holds(pugi::xml_node element, bool plain, const std::string &text)
{
    const pugi::xml_attribute encoding = element.attribute(encodingAttribute);
    if (plain ? bool(encoding) : QByteArrayView(encoding.value()) != QByteArrayView(hexEncoding))
        return false;
    const pugi::xml_node child = element.first_child();
    if (text.empty())
        return !child;
    return child.type() == pugi::node_pcdata && !child.next_sibling() && text == child.value();
}

bool StoreDocument::removeTag(QByteArrayView name)
{
    const std::string key = toStdString(name);
    if (!m_position.child(key.c_str()))
        return false;
    noteChange();
    while (const pugi::xml_node element = m_position.child(key.c_str()))
        removeChild(element);
    return true;
}

std::optional<QByteArray> StoreDocument::value(QByteArrayView name) const
{
    const pugi::xml_node element = m_position.child(toStdString(name).c_str());
    if (!element)
        return std::nullopt;
    // The line breaks and indentation between child elements are no value.
    const pugi::xml_text content = element.text();
    const QByteArray text = isLayoutText(content.data()) ? QByteArray() : unescaped(content.get());
    const pugi::xml_attribute encoding = element.attribute(encodingAttribute);
    if (!encoding)
        return text;
    if (QByteArrayView(encoding.value()) != QByteArrayView(hexEncoding))
        return std::nullopt;
    return QByteArray::fromHex(text);
}
