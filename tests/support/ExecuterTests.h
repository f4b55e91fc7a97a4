#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

// Each test file registers its Qt Test classes; the support library's main() runs them all in turn.
using FabriqueTests = std::function<std::unique_ptr<QObject>()>;
std::vector<FabriqueTests>& testsInscrits();

// Before the application is built: the offscreen platform unless another is asked for, and a time zone
// 14 hours from UTC.
void preparerProcessusTests();

// Runs every registered class (or those named on the command line) under the application already built.
int executerTestsInscrits(int argc, char** argv);

template <typename Classe> bool inscrireTests()
{
    testsInscrits().push_back([] { return std::make_unique<Classe>(); });
    return true;
}

#define VALTO_INSCRIRE_TESTS(Classe)                                                                         \
    [[maybe_unused]] static const bool inscription##Classe = inscrireTests<Classe>();
