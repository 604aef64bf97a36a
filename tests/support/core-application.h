// The one QCoreApplication that Qt socket tests need, made on first use.
#pragma once

namespace rv::test
{

// Makes the process's QCoreApplication unless one exists already. Call it
// from SetUpTestSuite of any test that runs Qt's event loop.
void EnsureCoreApplication();

} // namespace rv::test
