// Identifiers shared by the resource script and the program.
#pragma once

#define IDI_SNAPLARK 1
#define IDR_MANIFEST 1
