// The linker's class options and placement options.
#pragma once
#include <string>

struct arglist;
struct mem_space;

void add_linker_option(arglist& list, const std::string& text);
void add_class_options(mem_space* space, arglist& list);
void linker_placement_options(arglist& list, bool interrupt_routine);
