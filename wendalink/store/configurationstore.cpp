#include "configurationstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

constexpr const char *storeFolder = "wendalink";
constexpr const char *storeFileName = "store.xml";
constexpr const char *setAsideStamp = "yyyyMMdd-HHmmsszzz";
constexpr const char *indentation = "  ";
constexpr char firstPrintable = 0x20;
constexpr char lastPrintable = 0x7E;

// Comments, processing instructions and the declaration are kept like unknown
// elements: the file belongs to others too.
constexpr unsigned parseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi
    | pugi::parse_declaration | pugi::parse_doctype;

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

} // namespace

QString ConfigurationStore::defaultPath()
{
    const QString configured = qEnvironmentVariable(storePathVariable);
    if (!configured.isEmpty())
        return configured;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(
        QString::fromLatin1(storeFolder) + QLatin1Char('/') + QString::fromLatin1(storeFileName));
}

ConfigurationStore::ConfigurationStore(QString path)
    : m_path(std::move(path))
{ }

bool ConfigurationStore::isValidName(QByteArrayView name)
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

bool ConfigurationStore::fail(const QString &reason)
{
    m_error = reason;
    return false;
}

bool ConfigurationStore::reset()
{
    m_loaded = false;
    ensureLoaded();
    return m_writable;
}

bool ConfigurationStore::changeAllowed()
{
    ensureLoaded();
    if (!m_writable && m_error.isEmpty())
        m_error = QStringLiteral("%1 could not be loaded; it is left untouched").arg(m_path);
    return m_writable;
}

void ConfigurationStore::ensureLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_error.clear();
    m_setAsidePath.clear();
    m_document.reset();
    m_writable = load();
    if (!m_document.document_element())
        m_document.append_child(rootElementName);
    m_position = m_document.document_element();
}

bool ConfigurationStore::load()
{
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(m_path, file.errorString()));
    const QByteArray content = file.readAll();
    file.close();
    if (content.trimmed().isEmpty())
        return true;

    const pugi::xml_parse_result parsed
        = m_document.load_buffer(content.constData(), size_t(content.size()), parseOptions);
    if (parsed && m_document.document_element())
        return true;

    m_document.reset();
    const QString aside = m_path + QLatin1String(damagedSuffix)
        + QDateTime::currentDateTime().toString(QLatin1String(setAsideStamp));
    if (!QFile::rename(m_path, aside)) {
        return fail(QStringLiteral("%1 is damaged (%2) and could not be put aside")
                        .arg(m_path, QString::fromUtf8(parsed.description())));
    }
    m_setAsidePath = aside;
    m_error = QStringLiteral("%1 was damaged (%2) and was put aside as %3")
                  .arg(m_path, QString::fromUtf8(parsed.description()), aside);
    return true;
}

bool ConfigurationStore::save()
{
    // The file is always written as UTF-8, whatever encoding it was read in, so
    // a declaration that names another one would make the next reader garble it.
    for (pugi::xml_node node = m_document.first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_declaration && node.attribute("encoding"))
            node.attribute("encoding").set_value("UTF-8");
    }
    ByteArrayWriter writer;
    m_document.save(writer, indentation, pugi::format_default, pugi::encoding_utf8);

    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath()))
        return fail(QStringLiteral("cannot create the folder %1").arg(info.absolutePath()));
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString()));
    if (file.write(writer.bytes) != writer.bytes.size() || !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(m_path, file.errorString()));
    return true;
}

bool ConfigurationStore::positionInside(QByteArrayView name)
{
    ensureLoaded();
    if (!isValidName(name))
        return fail(QStringLiteral("not an element name: %1").arg(QString::fromLatin1(name)));
    const std::string key = toStdString(name);
    pugi::xml_node child = m_position.child(key.c_str());
    if (child) {
        m_position = child;
        return true;
    }
    if (!changeAllowed())
        return false;
    child = m_position.append_child(key.c_str());
    m_position = child;
    return save();
}

bool ConfigurationStore::writeTag(QByteArrayView name, QByteArrayView value)
{
    if (!changeAllowed())
        return false;
    if (!isValidName(name))
        return fail(QStringLiteral("not an element name: %1").arg(QString::fromLatin1(name)));
    const std::string key = toStdString(name);
    pugi::xml_node element = m_position.child(key.c_str());
    if (!element)
        element = m_position.append_child(key.c_str());
    for (pugi::xml_node duplicate = element.next_sibling(key.c_str()); duplicate;) {
        const pugi::xml_node next = duplicate.next_sibling(key.c_str());
        m_position.remove_child(duplicate);
        duplicate = next;
    }

    element.remove_children();
    element.remove_attribute(encodingAttribute);
    if (isPlainText(value)) {
        element.text().set(toStdString(value).c_str());
    } else {
        element.append_attribute(encodingAttribute).set_value(hexEncoding);
        element.text().set(value.toByteArray().toHex().constData());
    }
    return save();
}

bool ConfigurationStore::removeTag(QByteArrayView name)
{
    if (!changeAllowed())
        return false;
    if (!isValidName(name))
        return fail(QStringLiteral("not an element name: %1").arg(QString::fromLatin1(name)));
    const std::string key = toStdString(name);
    bool removed = false;
    while (pugi::xml_node element = m_position.child(key.c_str())) {
        m_position.remove_child(element);
        removed = true;
    }
    return removed ? save() : true;
}

std::optional<QByteArray> ConfigurationStore::value(QByteArrayView name) const
{
    if (!m_loaded || !isValidName(name))
        return std::nullopt;
    const pugi::xml_node element = m_position.child(toStdString(name).c_str());
    if (!element)
        return std::nullopt;
    const QByteArray text(element.text().get());
    const pugi::xml_attribute encoding = element.attribute(encodingAttribute);
    if (!encoding)
        return text;
    if (QByteArrayView(encoding.value()) != QByteArrayView(hexEncoding))
        return std::nullopt;
    return QByteArray::fromHex(text);
}
