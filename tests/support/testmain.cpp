#include "testregistry.h"

#include <QApplication>
#include <QTest>

#include <vector>

namespace {
std::vector<TestFactory> &factories()
{
    static std::vector<TestFactory> all;
    return all;
}
} // namespace

int registerTest(TestFactory factory)
{
    factories().push_back(factory);
    return int(factories().size());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    for (TestFactory factory : factories()) {
        const std::unique_ptr<QObject> test = factory();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
