// Registers the framework's own component and control classes (once; later calls do nothing).
#pragma once

void RegisterStandardClasses();
