#pragma once

// Installs the editor factories of the core machines (the library module
// does this at start; tests that show editors too).
void RegisterCoreEditors();
