#include "tools/data/art_parts.h"


void WriteCatObject(const std::string&) {}


