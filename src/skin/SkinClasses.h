// Registers the skin engine's component and control classes, so stored window descriptions
// can create them and set their published properties. Later calls do nothing.
#pragma once

void RegisterSkinClasses();
