// readconffile on arbitrary bytes, over a MemoryOptionPanel.
//
// Input: the content of a configuration file, read from memory through the
// device-based reader; the round trip goes through a real file.

#include "configurationfile.h"
#include "fuzzcheck.h"
#include "memoryoptionpanel.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <cstdint>

namespace {

const QString shownFileName = QStringLiteral("fuzz.conf");

ConfFileResult readFromMemory(OptionPanel &panel, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readconffile(panel, buffer, shownFileName);
}

// CR LF and a bare CR both end a line like a bare LF does.
QByteArray withLineFeedsOnly(QByteArray bytes)
{
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    return bytes;
}

void checkStatesValid(const MemoryOptionPanel &panel)
{
    for (int check = 1; check <= ConfFile::checkLineCount; ++check) {
        const qint16 state = panel.checkState(check);
        fuzzCheck(state == OptionPanel::unchecked || state == OptionPanel::checked
                || state == OptionPanel::greyed,
            "every check state read is 0, 1 or 2");
    }
}

bool samePanels(const MemoryOptionPanel &a, const MemoryOptionPanel &b)
{
    for (int check = 1; check <= ConfFile::checkLineCount; ++check) {
        if (a.checkState(check) != b.checkState(check))
            return false;
    }
    for (int text = 1; text <= ConfFile::textLineCount; ++text) {
        if (a.lengthText(text) != b.lengthText(text))
            return false;
    }
    return true;
}

const QTemporaryDir &scratchFolder()
{
    static const QTemporaryDir folder;
    fuzzCheck(folder.isValid(), "a scratch folder can be created");
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    MemoryOptionPanel panel;
    const ConfFileResult result = readFromMemory(panel, bytes);
    checkStatesValid(panel);
    fuzzCheck(result.succeeded() == result.message().isEmpty(),
        "a failure, and only a failure, has a message");

    MemoryOptionPanel lineFeedPanel;
    const ConfFileResult lineFeedResult = readFromMemory(lineFeedPanel, withLineFeedsOnly(bytes));
    fuzzCheck(samePanels(panel, lineFeedPanel) && result.message() == lineFeedResult.message(),
        "CR LF, CR and LF line ends read alike");

    // Whatever was read, also the part before a failing line, is a state the
    // window can hold, so it must save and load back unchanged.
    const QString path = scratchFolder().filePath(QStringLiteral("saved.conf"));
    fuzzCheck(writeconffile(panel, path).succeeded(), "the states read can be saved");
    MemoryOptionPanel reloaded;
    fuzzCheck(readconffile(reloaded, path).succeeded(), "a saved file loads");
    fuzzCheck(samePanels(panel, reloaded), "a saved file loads the states it was saved from");
    return 0;
}
