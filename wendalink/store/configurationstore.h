#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <pugixml.hpp>

#include <optional>

// The shared configuration store: a tree of named elements in an XML file,
// walked with a current position. Every change is written to disk at once,
// through a temporary file renamed over the old one, so the file is always
// either the old or the new store, never half of each.
//
// Values are byte strings. A value made only of printable ASCII (not only
// blanks) is the element's text; any other value is written as hexadecimal
// digits with the attribute encoding="hex", so every byte 1-255 survives.
//
// A file that cannot be parsed is renamed aside (see damagedSuffix) and the
// store starts empty; when that rename fails, or the file cannot be read, the
// store refuses every change so that it never writes over a file it could not
// understand.
class ConfigurationStore
{
public:
    static constexpr const char *storePathVariable = "WENDALINK_STORE";
    static constexpr const char *rootElementName = "wendalink-store";
    static constexpr const char *encodingAttribute = "encoding";
    static constexpr const char *hexEncoding = "hex";
    static constexpr const char *damagedSuffix = ".damaged-";

    // WENDALINK_STORE, else wendalink/store.xml in the user's data folder.
    static QString defaultPath();

    explicit ConfigurationStore(QString path = defaultPath());

    QString path() const { return m_path; }
    // Why the last load or change failed; empty when it did not.
    QString errorString() const { return m_error; }
    // Where a damaged file was put aside by the last load; empty when none was.
    QString setAsidePath() const { return m_setAsidePath; }

    // Reads the file again and puts the position back at the root element.
    bool reset();
    // Makes the child `name` of the current element current, creating it when
    // it is missing.
    bool positionInside(QByteArrayView name);
    // Gives the child `name` of the current element the value `value`; a child
    // of that name is reused (and any duplicates of it removed), never added twice.
    bool writeTag(QByteArrayView name, QByteArrayView value);
    // Removes every child `name` of the current element; none is no error.
    bool removeTag(QByteArrayView name);

    // The value of the child `name` of the current element, if there is one.
    std::optional<QByteArray> value(QByteArrayView name) const;

    static bool isValidName(QByteArrayView name);

private:
    void ensureLoaded();
    bool changeAllowed();
    bool load();
    bool save();
    bool fail(const QString &reason);

    QString m_path;
    QString m_error;
    QString m_setAsidePath;
    pugi::xml_document m_document;
    pugi::xml_node m_position;
    bool m_loaded = false;
    bool m_writable = false;
};
