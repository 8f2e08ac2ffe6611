// Text configs for tests: files served from memory to the preprocessor, and a tree in one line.
#pragma once

#include <map>
#include <string>

#include "config/config_tree.h"
#include "config/preprocessor.h"

namespace qp::test {

// Serves the files of `files` by their paths; any other path is not found.
config::ReadInclude MemoryFiles(const std::map<std::string, std::string>& files);

// Preprocesses files.at(top) with its includes from `files` (the prefix x\mymod\addons\main
// standing for the folder "mod", and the include folder "inc") and rapifies it. False with the
// error of whichever step failed.
bool RapifyFiles(const std::map<std::string, std::string>& files, const std::string& top,
                 std::string& bytes, std::string& error,
                 const config::ExpansionLimits& limits = {});
// The same read into its tree.
bool ConfigFromFiles(const std::map<std::string, std::string>& files, const std::string& top,
                     config::Config& config, std::string& error,
                     const config::ExpansionLimits& limits = {});

// The tree in one line: `class A:B{x=i1;y=f0x3f800000;s="t";a[]={i1,{"b"}};}`, `class C;`,
// `delete D;`, `a[]+={...};`, `enum{N=1;}`; i int32, l int64, f float32 bits, e expression.
std::string TreeText(const config::Config& config);

}  // namespace qp::test
