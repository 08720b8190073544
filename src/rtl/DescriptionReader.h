// Restoring components from stored descriptions, and checking descriptions against the class
// registry (the form compiler does that at build time, so a bad description fails the build).
//
// Reading: the root is an existing instance of the description's class. Nested components are
// created with the root as owner (controls get the enclosing windowed control as parent),
// named, and their properties set in the order written. Component references are resolved
// after the whole description has been read, so their order in the file does not matter;
// then every component read is told Loaded(), the root first.
#pragma once

#include "Classes.h"
#include "StoredDescription.h"

#include <string>
#include <vector>

void ReadComponent(TComponent* root, const TObjectDescription& description);

// Reads the compiled description packed as resource <CLASSNAME> (RT_RCDATA) into root; raises
// EReadError "Resource X not found" when the executable carries none.
void ReadComponentResource(TComponent* root);

// Every problem of a description, each as "line N: text": unknown classes, properties,
// values, references and handlers (handlers are looked up on the root's class).
std::vector<std::string> ValidateDescription(const TObjectDescription& description);
