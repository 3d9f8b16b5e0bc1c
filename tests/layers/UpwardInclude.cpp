// Must not build: the engine layer cannot see the document above it.
#include "document/CFotraDoc.h"
