// The store's tree loading an arbitrary file, then running a script of
// resets, moves, writes and removals over it, in memory: the "file" is the
// bytes the tree was last written to, as the store writes them after each change.
//
// Input: the file's content, then the script, then one byte giving the
// script's length. Each script step is an operation byte followed by what the
// operation takes (see runStep).

#include "fuzzcheck.h"
#include "storedocument.h"

#include <QByteArray>
#include <QList>
#include <QXmlStreamReader>

#include <pugixml.hpp>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

namespace {

constexpr int maxSteps = 48;
constexpr uint8_t rawNameFlag = 0x80;
constexpr uint8_t rawNameLengthMask = 0x0F;
constexpr uint8_t maxValueLength = 48;

// Bytes a change may add to the file besides its name and value: markup and
// at most the indentation the store copies from the file.
constexpr qsizetype changeAllowance = 1024;
// How much a file may grow when it is first written back: another encoding
// becomes UTF-8, a double quote between single ones becomes &quot;.
constexpr qsizetype maxGrowthFactor = 6;

// The names the tool uses, a few more valid ones, and the default root's.
constexpr const char *knownNames[]
    = {"TERMINAL", "PELSADOIG1", "PELSADOIG2", "PELSADOIG3", "_a", "b.c-d", "wendalink-store"};
constexpr size_t knownNameCount = sizeof knownNames / sizeof *knownNames;

// Written to show that a change leaves everything else in the file as it was.
constexpr const char *probeName = "pelsado_fuzz_probe";
constexpr const char *probeValue = "1";

// The store reads with these options too: comments and the like are content.
constexpr unsigned parseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi
    | pugi::parse_declaration | pugi::parse_doctype;

enum class Step : uint8_t { reset, positionInside, writeTag, removeTag, readValue, verifyAll };
constexpr uint8_t stepCount = uint8_t(Step::verifyAll) + 1;

class ScriptReader
{
public:
    ScriptReader(const uint8_t *data, size_t size)
        : m_data(data)
        , m_size(size)
    { }

    bool atEnd() const { return m_position >= m_size; }
    uint8_t next() { return atEnd() ? 0 : m_data[m_position++]; }
    QByteArray take(size_t count)
    {
        const size_t taken = std::min(count, m_size - m_position);
        const QByteArray bytes(
            reinterpret_cast<const char *>(m_data + m_position), qsizetype(taken));
        m_position += taken;
        return bytes;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_position = 0;
};

bool parses(pugi::xml_document &document, const QByteArray &bytes)
{
    return document.load_buffer(bytes.constData(), size_t(bytes.size()), parseOptions)
        && document.document_element();
}

// A second, strict reader's verdict: what other programs make of the file.
// One reader serves every input: setting one up costs more than most reads.
bool strictlyWellFormed(const QByteArray &bytes)
{
    static QXmlStreamReader reader;
    reader.clear();
    reader.setNamespaceProcessing(false);
    reader.addData(bytes);
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

// A control character XML allows nowhere. The strict reader lets some pass
// inside a document type's declarations; the store refuses them everywhere.
bool holdsForbiddenControl(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char byte) {
        return uchar(byte) < uchar(' ') && byte != '\t' && byte != '\n' && byte != '\r';
    });
}

class StringWriter final : public pugi::xml_writer
{
public:
    QByteArray bytes;
    void write(const void *data, size_t size) override
    {
        bytes.append(static_cast<const char *>(data), qsizetype(size));
    }
};

// The document as a reader sees it, without the probe and without the
// declaration (the store adds one to a file that had none).
QByteArray comparableForm(pugi::xml_document &document)
{
    for (pugi::xml_node node = document.first_child(); node;) {
        const pugi::xml_node next = node.next_sibling();
        if (node.type() == pugi::node_declaration)
            document.remove_child(node);
        node = next;
    }
    pugi::xml_node root = document.document_element();
    while (const pugi::xml_node probe = root.child(probeName))
        root.remove_child(probe);
    StringWriter writer;
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return writer.bytes;
}

// What the script has written, by the path of the element written under.
class StoreModel
{
public:
    using Path = QList<QByteArray>;

    static QByteArray key(const Path &path) { return path.join('/'); }

    void written(const Path &path, const QByteArray &name, const QByteArray &value)
    {
        forgetBelow(path, name);
        m_values[key(path)][name] = value;
    }
    void removed(const Path &path, const QByteArray &name)
    {
        forgetBelow(path, name);
        m_values[key(path)][name] = std::nullopt;
    }
    // Moving inside an element creates it when it was removed: it is then empty.
    void entered(const Path &path, const QByteArray &name)
    {
        auto &values = m_values[key(path)];
        if (const auto found = values.find(name); found != values.end() && !found->second)
            found->second = QByteArray("");
    }
    // What `name` under `path` must read as: absent for a removed one, nothing
    // known for one the script has not touched.
    std::optional<std::optional<QByteArray>> expected(
        const Path &path, const QByteArray &name) const
    {
        const auto values = m_values.find(key(path));
        if (values == m_values.end())
            return std::nullopt;
        const auto found = values->second.find(name);
        if (found == values->second.end())
            return std::nullopt;
        return found->second;
    }

    const std::map<QByteArray, std::map<QByteArray, std::optional<QByteArray>>> &values() const
    {
        return m_values;
    }

private:
    // Writing or removing an element drops whatever the script put inside it.
    void forgetBelow(const Path &path, const QByteArray &name)
    {
        const QByteArray below = key(Path(path) << name);
        for (auto it = m_values.begin(); it != m_values.end();) {
            if (it->first == below || it->first.startsWith(below + '/'))
                it = m_values.erase(it);
            else
                ++it;
        }
    }

    std::map<QByteArray, std::map<QByteArray, std::optional<QByteArray>>> m_values;
};

class StoreScript
{
public:
    StoreScript(StoreDocument &store, const uint8_t *script, size_t size)
        : m_store(store)
        , m_reader(script, size)
        , m_fileSize(store.pieces().size())
    { }

    void run()
    {
        for (int step = 0; step < maxSteps && !m_reader.atEnd(); ++step)
            runStep(Step(m_reader.next() % stepCount));
        verifyAll();
    }

    // The file as the store wrote it after the last change: only its size is
    // needed after each one, its bytes only when it is read again.
    const QByteArray &file()
    {
        if (m_fileStale) {
            m_file = m_store.toBytes();
            m_fileStale = false;
        }
        return m_file;
    }

private:
    QByteArray nextName()
    {
        const uint8_t choice = m_reader.next();
        if (choice & rawNameFlag)
            return m_reader.take(choice & rawNameLengthMask);
        return QByteArray(knownNames[choice % knownNameCount]);
    }

    void checkValue(const QByteArray &name, const char *invariant)
    {
        if (const auto expected = m_model.expected(m_path, name))
            fuzzCheck(m_store.value(name) == *expected, invariant);
    }

    // What the store does after every change: the file gets the tree, and
    // grows by no more than the change.
    void save(qsizetype added)
    {
        if (!m_store.changed())
            return;
        const qsizetype size = m_store.pieces().size();
        fuzzCheck(size <= m_fileSize + added + changeAllowance,
            "a change never inflates what is already in the file");
        m_fileSize = size;
        m_fileStale = true;
        m_freshlyRead = false;
    }

    // The file read again, as after another process changed it, or the tree
    // kept, as when it did not.
    void reset(bool reload)
    {
        m_store.resetPosition();
        // A tree read from the file and not changed since is what reading
        // the same file again would give.
        if (reload && !m_freshlyRead)
            fuzzCheck(m_store.load(file()), "a store written by itself loads again");
        m_freshlyRead = m_freshlyRead || reload;
        m_path.clear();
    }

    void runStep(Step step)
    {
        if (step == Step::reset) {
            reset(m_reader.next() & 1);
            return;
        }
        if (step == Step::verifyAll) {
            verifyAll();
            return;
        }
        const QByteArray name = nextName();
        // The store refuses other names before they reach the tree.
        if (!StoreDocument::isValidName(name))
            return;
        switch (step) {
        case Step::positionInside:
            m_store.enterCreating(name);
            save(name.size());
            m_model.entered(m_path, name);
            m_path << name;
            break;
        case Step::writeTag: {
            const QByteArray value = m_reader.take(m_reader.next() % (maxValueLength + 1));
            m_store.writeTag(name, value);
            save(2 * name.size() + 2 * value.size());
            m_model.written(m_path, name, value);
            checkValue(name, "a written value reads back at once");
            break;
        }
        case Step::removeTag:
            m_store.removeTag(name);
            save(0);
            m_model.removed(m_path, name);
            checkValue(name, "a removed element is gone at once");
            break;
        case Step::readValue:
            checkValue(name, "a value reads as last written");
            break;
        case Step::reset:
        case Step::verifyAll:
            break;
        }
    }

    // Everything written must be in the file: load it again and walk to each.
    void verifyAll()
    {
        reset(true);
        for (const auto &[pathKey, values] : m_model.values()) {
            reset(false);
            const QList<QByteArray> path
                = pathKey.isEmpty() ? QList<QByteArray>() : pathKey.split('/');
            for (const QByteArray &name : path) {
                fuzzCheck(m_store.enter(name), "the elements written under stay");
                m_path << name;
            }
            for (const auto &[name, expected] : values)
                fuzzCheck(m_store.value(name) == expected, "a value survives a reload");
        }
        reset(false);
    }

    StoreDocument &m_store;
    ScriptReader m_reader;
    StoreModel m_model;
    StoreModel::Path m_path;
    qsizetype m_fileSize;
    QByteArray m_file;
    bool m_fileStale = true;
    bool m_freshlyRead = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t scriptSize = std::min(size_t(data[size - 1]), size - 1);
    const size_t contentSize = size - 1 - scriptSize;
    const QByteArray content
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(contentSize));

    pugi::xml_document original;
    const bool empty = content.trimmed().isEmpty();
    const bool wellFormed = parses(original, content);
    // Only in UTF-8 do both readers see the same characters: the strict one
    // also decodes encodings the store does not know.
    const bool strict = wellFormed && strictlyWellFormed(content);

    StoreDocument store;
    const bool loaded = store.load(content);
    fuzzCheck(!loaded || wellFormed || empty, "the store reads only well-formed files");
    fuzzCheck(loaded || !strict || !content.isValidUtf8() || holdsForbiddenControl(content),
        "the store reads every file a strict reader reads");

    if (loaded && wellFormed) {
        store.writeTag(probeName, probeValue);
        const QByteArray rewritten = store.toBytes();
        fuzzCheck(rewritten.size() <= maxGrowthFactor * content.size() + changeAllowance,
            "a change never inflates the file");
        pugi::xml_document reread;
        fuzzCheck(parses(reread, rewritten), "the store writes well-formed XML");
        fuzzCheck(!strict || strictlyWellFormed(rewritten),
            "what a strict reader read, it reads again once changed");
        fuzzCheck(comparableForm(reread) == comparableForm(original),
            "a change keeps everything else in the file as it was");
        fuzzCheck(store.load(rewritten) && store.toBytes() == rewritten,
            "what the store wrote, it writes again unchanged");
        store.resetPosition();
    }

    StoreScript script(store, data + contentSize, scriptSize);
    // The script ends by reading the file again, which the store does only
    // when it is well-formed.
    script.run();
    fuzzCheck(!strict || strictlyWellFormed(script.file()),
        "a strict reader reads what the store leaves");
    return 0;
}
