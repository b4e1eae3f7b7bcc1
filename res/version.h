// The product version: both programs' version resources and the packages
// (scripts/package.sh reads PURLO_VERSION_TEXT) take it from here.
#pragma once

#define PURLO_VERSION_MAJOR 1
#define PURLO_VERSION_MINOR 4
#define PURLO_VERSION_TEXT "1.4"
#define PURLO_WIDE_(text) L##text
#define PURLO_WIDE(text) PURLO_WIDE_(text)
#define PURLO_PUBLISHER "the Purlo authors"
#define PURLO_COPYRIGHT "Copyright (c) the Purlo authors. MIT licence."
