// A program without a window, as `pelsado serve` and `pelsado save-all` will
// be: it links the Core-only libraries with every shared library they name
// kept (no --as-needed), and fails when Qt Gui or Qt Widgets came along.

#include "configurationfile.h"
#include "headlesscommand.h"
#include "linklifecycle.h"
#include "memoryoptionpanel.h"
#include "module3.h"
#include "sharedconfiguration.h"

#include <QBuffer>

#include <cstdio>
#include <cstring>

#include <link.h>

namespace {

constexpr const char *windowLibraries[] = {"libQt6Gui", "libQt6Widgets"};

int countWindowLibrary(dl_phdr_info *info, size_t, void *found)
{
    for (const char *name : windowLibraries) {
        if (std::strstr(info->dlpi_name, name)) {
            std::fprintf(stderr, "loaded without a window: %s\n", info->dlpi_name);
            ++*static_cast<int *>(found);
        }
    }
    return 0;
}

} // namespace

int main()
{
    // One use of each library, so that its code is linked as well.
    MemoryOptionPanel panel;
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    Module3 settings;
    settings.BaudRate = QStringLiteral("19200");
    auto *const volatile saveAll = &saveForAllTerminals;
    auto *const volatile runHeadless = &runHeadlessCommand;
    void (LinkLifecycle::*const volatile reopen)(const QString &, const QString &)
        = &LinkLifecycle::reopen;
    if (!writeconffile(panel, file, QStringLiteral("memory")).succeeded()
        || settings.baudValue() != 19200 || !saveAll || !reopen || !runHeadless)
        return 1;

    int found = 0;
    dl_iterate_phdr(countWindowLibrary, &found);
    return found == 0 ? 0 : 1;
}
