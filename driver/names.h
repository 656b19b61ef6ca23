// Names of the files the driver hands to the passes or leaves behind, and their deletion.
#pragma once
#include <string>

std::string replace_extension(const std::string& name, const std::string& extension);
std::string last_component(const std::string& path);
std::string source_file_name(const std::string& source, const std::string& extension);
std::string output_file_name(const std::string& extension);
void set_output_name(const std::string& text);
void delete_file(const std::string& name);
std::string join_dir(const std::string& dir, const std::string& name);
std::string dir_part(const std::string& path);   // empty when the path has none
