// The compile start-up: error and message files, the script engine and its
// function table, the start-up script, context defaults, the main source.
#pragma once

int MM_startup();
int MM_findZylFile(char *path);
