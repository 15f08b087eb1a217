#pragma once
// The set-up of the window tests: the main window on a computed copy of the sample, in a settings
// folder of its own.

#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/scripted_prompt.h"

#include <gtest/gtest.h>

#include <memory>

namespace ks::test {

// Copies the sample into `home` as cueva.mas, opens it in a shown main window of 1000 x 700 whose
// settings folder is `home`, and waits until it is computed.
inline std::unique_ptr<TMainWindow> OpenComputedSample(const TempDir& home)
{
    WriteFile(home.Path("cueva.mas"), ReadFile(kSample));
    auto window = std::make_unique<TMainWindow>(QString::fromStdString(home.Path("")));
    window->resize(1000, 700);
    window->show();
    window->OpenMassif(QString::fromStdString(home.Path("cueva.mas")));
    EXPECT_TRUE(WaitUntil([&window] {
        return !window->Computation().Running() && window->Massif()->Computed;
    })) << "the sample was not computed";
    return window;
}

} // namespace ks::test
