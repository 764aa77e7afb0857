#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <pugixml.hpp>

#include <optional>
#include <string>

// The store's tree of named elements in memory, with the current position:
// parsed from the file's bytes and written back as bytes, with no file of its
// own (the file, its lock and its replacement are ConfigurationStore's).
//
// What others put in the file is written back as it was read: its layout (no
// indentation is added to it), entity and character references, comments,
// processing instructions and the document type. Elements the store adds are
// laid out like their neighbours.
//
// Values are byte strings. A value made only of printable ASCII (not only
// blanks) is the element's text; any other value is written as hexadecimal
// digits with the attribute encoding="hex", so every byte 1-255 survives.
class StoreDocument
{
public:
    static constexpr const char *rootElementName = "wendalink-store";
    static constexpr const char *encodingAttribute = "encoding";
    static constexpr const char *hexEncoding = "hex";

    StoreDocument();

    // Replaces the tree by the one in `bytes` (empty bytes: a new store) and
    // walks the position again, creating the elements it lacks. False, with
    // the tree left empty, when `bytes` is not well-formed; `error` then says why.
    bool load(QByteArrayView bytes, QByteArray *error = nullptr);
    // The document as the file holds it, in three pieces: the element at the
    // position (or one around it) printed afresh, and what comes before and
    // after it, kept from an earlier print while changes stay inside it.
    struct Pieces
    {
        QByteArrayView before;
        QByteArray element;
        QByteArrayView after;
        qsizetype size() const { return before.size() + element.size() + after.size(); }
    };
    // Valid until the next change or load.
    Pieces pieces();
    QByteArray toBytes();

    // The position, as the names walked from the root element.
    void resetPosition();
    // Makes the child `name` of the current element current, if there is one.
    bool enter(QByteArrayView name);
    // Makes the child `name` current, creating it when it is missing.
    void enterCreating(QByteArrayView name);
    // A child of that name is reused (and any duplicates removed), never added twice.
    void writeTag(QByteArrayView name, QByteArrayView value);
    // Removes every child `name` of the current element; false when there was none.
    bool removeTag(QByteArrayView name);
    std::optional<QByteArray> value(QByteArrayView name) const;

    // Whether the tree changed since it was loaded or last written out.
    bool changed() const { return m_changed; }
    // Takes back the changes written out last (or made since), for a file that
    // refused them, so the tree is the file's again without reading it. False
    // when they cannot be taken back: the tree must then be loaded again.
    bool undoChanges();

    static bool isValidName(QByteArrayView name);

private:
    void startEmpty();
    void restorePosition();
    Pieces split();
    QByteArray print(pugi::xml_node node) const;
    void noteChange();
    static bool holds(pugi::xml_node element, bool plain, const std::string &text);
    static bool isAncestorOrSelf(pugi::xml_node ancestor, pugi::xml_node node);
    static pugi::xml_node appendChild(pugi::xml_node parent, const char *name);
    static void removeChild(pugi::xml_node element);

    pugi::xml_document m_document;
    pugi::xml_node m_position;
    QList<QByteArray> m_positionPath;
    bool m_changed = false;
    qsizetype m_lastSize = 0;
    // The element the first change after a load or a print changed, as it was:
    // the later changes until the next print are made inside it.
    struct Undo
    {
        pugi::xml_document copy;
        pugi::xml_node element;
        qsizetype depth = 0; // the element's place on the position's path
        bool copyNext = true; // the next change starts a new copy
        bool possible = true;
    } m_undo;
    struct Split
    {
        pugi::xml_node element;
        QByteArray before;
        QByteArray after;
        bool valid = false;
    } m_split;
};
