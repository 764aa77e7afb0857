#pragma once

#include <QObject>

#include <memory>

// Every test class registers itself; one main() per executable runs them all,
// so that each subsystem has one test executable made of several classes.
using TestFactory = std::unique_ptr<QObject> (*)();
int registerTest(TestFactory factory);

#define PELSADO_REGISTER_TEST(Class)                                                               \
    static const int registered##Class                                                             \
        = registerTest([]() -> std::unique_ptr<QObject> { return std::make_unique<Class>(); })
