#include "cli/ConvertCommand.h"

#include <cstdio>

namespace qm::cli {

int runConvert(int, char**)
{
    std::fprintf(stderr, "quillmark: conversion is not built yet\n");
    return 2;
}

} // namespace qm::cli
