// Registers every class the installer's stored window descriptions name: the framework's,
// the skin engine's and the three windows. Later calls do nothing.
#pragma once

void RegisterSetupClasses();
