// Runs a fuzz target once on every input named on the command line, a folder
// standing for every file in it, without libFuzzer: the test suite replays each
// target's corpus this way. A broken invariant aborts, as under the fuzzer.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

QStringList inputFiles(const QString &argument)
{
    const QFileInfo info(argument);
    if (!info.isDir())
        return {argument};
    QStringList files;
    const QDir folder(argument);
    for (const QString &name : folder.entryList(QDir::Files, QDir::Name))
        files << folder.filePath(name);
    return files;
}

} // namespace

int main(int argc, char **argv)
{
    int replayed = 0;
    for (int index = 1; index < argc; ++index) {
        for (const QString &path : inputFiles(QFile::decodeName(argv[index]))) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(file.errorString()));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            std::fprintf(stderr, "replaying %s\n", qPrintable(path));
            LLVMFuzzerTestOneInput(
                reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
            ++replayed;
        }
    }
    // An empty or misspelt corpus would otherwise pass without testing anything.
    if (replayed == 0) {
        std::fprintf(stderr, "no input to replay\n");
        return 1;
    }
    std::printf("replayed %d inputs\n", replayed);
    return 0;
}
