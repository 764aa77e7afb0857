// readconffile on arbitrary bytes, over a MemoryOptionPanel, all in memory.
//
// Input: the content of a configuration file. Whatever it loads must save and
// load back unchanged; so must the whole input taken as one length field's
// text, as long as the save accepts it.

#include "codepage.h"
#include "configurationfile.h"
#include "fuzzcheck.h"
#include "memoryoptionpanel.h"

#include <QBuffer>

#include <cstdint>

namespace {

const QString shownFileName = QStringLiteral("fuzz.conf");
// An input from this length on is also saved whole as one text.
constexpr size_t longInput = 1024;

ConfigurationFileResult readFromMemory(OptionPanel &panel, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return readconffile(panel, buffer, shownFileName);
}

// CR LF and a bare CR both end a line like a bare LF does.
QByteArray withLineFeedsOnly(QByteArray bytes)
{
    bytes.replace("\r\n", "\n");
    bytes.replace('\r', '\n');
    return bytes;
}

// A text as a length field can hold it after a load: one line, without the
// blanks at its ends.
QString asLoadedText(QByteArray bytes)
{
    bytes.replace('\r', "");
    bytes.replace('\n', "");
    const QString text = fromCodePage(bytes);
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == u' ')
        ++first;
    while (end > first && text[end - 1] == u' ')
        --end;
    return text.mid(first, end - first);
}

void checkStatesValid(const MemoryOptionPanel &panel)
{
    for (int check = 1; check <= ConfigurationFile::checkLineCount; ++check) {
        const qint16 state = panel.checkState(check);
        fuzzCheck(state == OptionPanel::unchecked || state == OptionPanel::checked
                || state == OptionPanel::greyed,
            "every check state read is 0, 1 or 2");
    }
}

bool samePanels(const MemoryOptionPanel &a, const MemoryOptionPanel &b)
{
    for (int check = 1; check <= ConfigurationFile::checkLineCount; ++check) {
        if (a.checkState(check) != b.checkState(check))
            return false;
    }
    for (int text = 1; text <= ConfigurationFile::textLineCount; ++text) {
        if (a.lengthText(text) != b.lengthText(text))
            return false;
    }
    return true;
}

// Saves the panel into memory: true when the save accepted it, which it must
// then load back unchanged.
bool savesAndLoadsBack(MemoryOptionPanel &panel)
{
    QBuffer saved;
    saved.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (!writeconffile(panel, saved, shownFileName).succeeded())
        return false;
    MemoryOptionPanel reloaded;
    fuzzCheck(readFromMemory(reloaded, saved.data()).succeeded(), "a saved file loads");
    fuzzCheck(samePanels(panel, reloaded), "a saved file loads the states it was saved from");
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    MemoryOptionPanel panel;
    const ConfigurationFileResult result = readFromMemory(panel, bytes);
    checkStatesValid(panel);
    fuzzCheck(result.succeeded() == result.message().isEmpty(),
        "a failure, and only a failure, has a message");

    if (bytes.contains('\r')) {
        MemoryOptionPanel lineFeedPanel;
        const ConfigurationFileResult lineFeedResult
            = readFromMemory(lineFeedPanel, withLineFeedsOnly(bytes));
        fuzzCheck(samePanels(panel, lineFeedPanel) && result.message() == lineFeedResult.message(),
            "CR LF, CR and LF line ends read alike");
    }

    // Whatever was read, also the part before a failing line, is a state the
    // window can hold, so it must save and load back unchanged.
    fuzzCheck(savesAndLoadsBack(panel), "the states read can be saved");

    // A save refuses only a text that a load could not take back. A short text
    // tells nothing that the texts read above do not.
    if (size < longInput)
        return 0;
    MemoryOptionPanel longText;
    const QString text = asLoadedText(bytes);
    longText.setLengthText(ConfigurationFile::textLineCount, text);
    fuzzCheck(savesAndLoadsBack(longText) == (text.size() <= ConfigurationFile::maxLineLength),
        "a text saves exactly when it fits a line");
    return 0;
}
