// The preprocessor and the parser of text configs, on small files served from memory: the text
// each rule gives, the tree each form reads into, and the place and words of each error.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "config/config_printer.h"
#include "config/preprocessor.h"
#include "config/rapified_reader.h"
#include "config/rapified_writer.h"
#include "config/text_parser.h"
#include "support/config_text.h"
#include "support/rapified_samples.h"

namespace qp::config {
namespace {

using Files = std::map<std::string, std::string>;

// The macro library every case may include, shaped like the community's: names built from a
// prefix and a component, QUOTE, DOUBLES and GVAR.
const char kMacros[] =
    "#define PREFIX prefix\n"
    "#define DOUBLES(a,b) a##_##b\n"
    "#define ADDON DOUBLES(PREFIX,COMPONENT)\n"
    "#define QUOTE(x) #x\n"
    "#define GVAR(x) DOUBLES(ADDON,x)\n";

Files With(std::string main, Files more = {}) {
    more["main.cpp"] = std::move(main);
    more["inc/macros.hpp"] = kMacros;
    return more;
}

struct TextCase {
    const char* rule;
    Files files;
    const char* text;  // the preprocessed text, or the error
};

TEST(Preprocess, GivesTheTextOfEachRule) {
    const TextCase cases[] = {
        {"object macro", With("#define A 1\nx = A;\n"), "x = 1;\n"},
        {"function macro", With("#define F(a, b) a+b\nF(1, (2, 3))\n"), "1+(2, 3)\n"},
        {"name without arguments stays", With("#define F(a) a\nF;\n"), "F;\n"},
        {"continued body joins its lines", With("#define M class x {\\\n    y = 1;\\\n};\nM\n"),
         "class x {    y = 1;};\n"},
        {"arguments across lines", With("#define F(a,b) a b\nF(1,\n  2)\n"), "1 2\n"},
        {"undef", With("#define A 1\n#undef A\nA\n"), "A\n"},
        {"ifdef, else, nested",
         With("#define A\n#ifdef A\n#ifndef A\nno\n#else\nyes\n#endif\n#else\nno\n#endif\n"),
         "yes\n"},
        {"ifndef skips directives", With("#ifndef B\n#define X 1\n#else\n#error\n#endif\nX\n"),
         "1\n"},
        {"stringize", With("#define Q(x) #x\nQ(  a   b  )\n"), "\"a b\"\n"},
        {"stringize doubles quotes", With("#define Q(x) #x\nQ(say \"hi\")\n"),
         "\"say \"\"hi\"\"\"\n"},
        {"join", With("#define J(a,b) a ## b\nJ(x, y) J(1,2)\n"), "xy 12\n"},
        {"arguments expand before # and ##",
         With("#include \"\\macros.hpp\"\n#define COMPONENT component\n"
              "QUOTE(ADDON) QUOTE(DOUBLES(STR,GVAR(x))) ADDON\n"),
         "\"prefix_component\" \"STR_prefix_component_x\" prefix_component\n"},
        {"names between backslashes",
         With("#define P mod\n#define C main\nm = \\x\\P\\addons\\C\\data\\P.paa;\n"),
         "m = \\x\\mod\\addons\\main\\data\\mod.paa;\n"},
        {"nothing inside strings", With("#define A 1\ns = \"A\" A \"\"\"A\"\"\";\n"),
         "s = \"A\" 1 \"\"\"A\"\"\";\n"},
        {"names in words and numbers stay", With("#define A 1\nxA A_ 0xA 1A A\n"),
         "xA A_ 0xA 1A 1\n"},
        {"comments", With("a // A\nb /* x\ny */ c \"//\" /**/\n"), "a \nb   c \"//\"  \n"},
        {"__LINE__ and __FILE__", With("x = __LINE__;\n\ny = __FILE__ __LINE__;\n__LINE__\n"),
         "x = 1;\n\ny = \"main.cpp\" 3;\n4\n"},
        {"__LINE__ in a macro is its use's",
         With("#define L __LINE__\n\nL\n#include \"a.hpp\"\n", {{"a.hpp", "\nL __FILE__\n"}}),
         "\n3\n\n2 \"a.hpp\"\n"},
        {"relative includes",
         With("#include \"sub\\a.hpp\"\nm\n",
              {{"sub/a.hpp", "#include \"b.hpp\"\na\n"}, {"sub/b.hpp", "b\n"}}),
         "b\na\nm\n"},
        {"include by prefix and through -I",
         With("#include \"\\x\\mymod\\addons\\main\\c.hpp\"\n#include \"\\d.hpp\"\n",
              {{"mod/c.hpp", "c\n"}, {"inc/d.hpp", "d\n"}}),
         "c\nd\n"},
        {"byte-order marks",
         With("\xEF\xBB\xBF#include \"a.hpp\"\nx\n", {{"a.hpp",
                                                       "\xEF\xBB\xBF"
                                                       "a\n"}}),
         "a\nx\n"},
        {"a header included twice",
         With("#include \"h.hpp\"\n#include \"h.hpp\"\nx\n",
              {{"h.hpp", "#ifndef H\n#define H\nh\n#endif\n"}}),
         "h\nx\n"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.rule);
        Preprocessed out;
        std::string error;
        PreprocessSettings settings;
        settings.include_folders.folders = {"inc"};
        settings.include_folders.roots = {{"x\\mymod\\addons\\main", "mod"}};
        ASSERT_TRUE(Preprocess("main.cpp", c.files.at("main.cpp"), test::MemoryFiles(c.files),
                               settings, out, error))
            << error;
        EXPECT_EQ(out.text, c.text);
    }
}

// Include files f1.hpp ... f40.hpp, each including the next.
Files DeepIncludes() {
    Files files = With("#include \"f1.hpp\"\n");
    for (int i = 1; i <= 40; ++i) {
        const std::string next = std::to_string(i + 1);
        files[std::string("f").append(std::to_string(i)).append(".hpp")] =
            std::string("#include \"f").append(next).append(".hpp\"\n");
    }
    return files;
}

// Macros A1 ... A40, each using the one before twice: 2^40 uses of A0.
Files Doubling() {
    std::string text = "#define A0 x\n";
    for (int i = 1; i <= 40; ++i) {
        text += "#define A" + std::to_string(i) + " A" + std::to_string(i - 1) + " A" +
                std::to_string(i - 1) + "\n";
    }
    return With(text + "y = A40;\n");
}

// Limits made small here: 1000 macro uses, 1 MiB of output, 4 MiB of files scanned.
TEST(Preprocess, RefusesHostileAndBrokenTextNamingThePlace) {
    std::string big_uses;
    for (int i = 0; i < 150; ++i) big_uses += "BIG\n";
    std::string includes;
    for (int i = 0; i < 500; ++i) includes += "#include \"h.hpp\"\n";
    // Guarded: included again and again, it adds no output but is scanned each time.
    const std::string header = "#ifndef H\n#define H\n" + std::string(10000, ' ') + "\n#endif\n";
    const TextCase cases[] = {
        {"output that grows", With("#define BIG " + std::string(10000, 'x') + "\n" + big_uses),
         "main.cpp:107:1: the preprocessed text grows past 1 MiB"},
        {"a header included without end", With(includes, {{"h.hpp", header}}),
         "h.hpp:1:1: the files included come to more than 4 MiB"},
        {"macro into itself", With("#define A A\nx = A;\n"),
         "main.cpp:2:5: macro A expands into itself"},
        {"macros into each other", With("#define A B\n#define B C(A)\n#define C(x) x\n\n A\n"),
         "main.cpp:5:2: macro A expands into itself (through B)"},
        {"growth without end", Doubling(), "main.cpp:42:5: more than 1000 macro expansions"},
        {"include cycle",
         With("#include \"a.hpp\"\n",
              {{"a.hpp", "\n #include \"A.hpp\""}, {"A.hpp", "#include \"./a.hpp\""}}),
         "A.hpp:1:1: include cycle: a.hpp is already being included"},
        {"includes too deep", DeepIncludes(), "f32.hpp:1:1: includes nested deeper than 32"},
        {"include not found", With("x;\n#include \"nope.hpp\"\n"),
         "main.cpp:2:1: cannot find the include file \"nope.hpp\""},
        {"unterminated string", With("a = 1;\nx = \"abc;\ny = 2;\n"),
         "main.cpp:2:5: unterminated string: expected \" before the end of the line"},
        {"unterminated comment in an include", With("#include \"a.hpp\"\n", {{"a.hpp", "a\n/* x"}}),
         "a.hpp:2:1: unterminated comment: expected */"},
        {"unterminated ifdef", With("#ifdef A\n#ifdef B\n#endif\n"),
         "main.cpp:1:1: expected #endif for this #ifdef before the end of the file"},
        {"unterminated arguments", With("#define F(a) a\nx = F(1, (2);\ny = 3;\n"),
         "main.cpp:2:5: expected ')' to end the arguments of F"},
        {"wrong argument count", With("#define F(a) a\n\tF(1, 2)\n"),
         "main.cpp:2:2: macro F takes 1 argument, given 2"},
        {"__EVAL", With("x = __EVAL(1 + 2);\n"), "main.cpp:1:5: __EVAL is not supported"},
        {"__EXEC from a macro", With("#define E __EXEC(a = 1)\n\n  E\n"),
         "main.cpp:3:3: __EXEC is not supported"},
        {"else without ifdef", With("x\n#else\n"), "main.cpp:2:1: #else without #ifdef"},
        {"if", With("#if 1\n#endif\n"), "main.cpp:1:1: #if is not supported"},
        {"unknown directive", With("  #pragma once\n"), "main.cpp:1:3: unknown directive #pragma"},
        {"define without a name", With("#define (x)\n"),
         "main.cpp:1:1: expected the macro's name after #define"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.rule);
        Preprocessed out;
        std::string error;
        PreprocessSettings settings;
        settings.limits.max_steps = 1000;
        settings.limits.max_output = 1 << 20;
        ASSERT_FALSE(Preprocess("main.cpp", c.files.at("main.cpp"), test::MemoryFiles(c.files),
                                settings, out, error));
        EXPECT_EQ(error.substr(0, std::string(c.text).size()), c.text) << error;
        EXPECT_LE(out.files.size(), 42u);  // each file read once, however often included
    }
}

TEST(IncludeCandidates, TriesTheIncludingFolderThenThePrefixThenTheIncludeFolders) {
    const IncludeFolders folders{{{"X\\MyMod\\Addons\\Main", "mod"}}, {"inc", "C:\\lib\\"}};
    const struct {
        const char* including;
        const char* name;
        std::vector<std::string> candidates;
    } cases[] = {
        {"a/b/config.cpp", "sub\\c.hpp", {"a/b/sub/c.hpp", "inc/sub/c.hpp", "C:/lib/sub/c.hpp"}},
        {"a\\b\\config.cpp", "..\\c.hpp", {"a/c.hpp", "c.hpp", "C:/c.hpp"}},
        {"config.cpp",
         "\\x\\mymod\\addons\\main\\d\\e.hpp",
         {"mod/d/e.hpp", "inc/x/mymod/addons/main/d/e.hpp", "C:/lib/x/mymod/addons/main/d/e.hpp"}},
        {"config.cpp",
         "\\x\\mymod\\addons\\mainly.hpp",
         {"inc/x/mymod/addons/mainly.hpp", "C:/lib/x/mymod/addons/mainly.hpp"}},
        {"\\\\server\\share\\config.cpp",
         "./c.hpp",
         {"//server/share/c.hpp", "inc/c.hpp", "C:/lib/c.hpp"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IncludeCandidates(c.including, c.name, folders), c.candidates);
    }
}

struct TreeCase {
    std::string text;
    const char* tree;  // as TreeText writes it, or the error
};

TEST(ParseConfig, ReadsEachTextForm) {
    const TreeCase cases[] = {
        {"class A: B { x = 1; }; class C {}; class D; delete E;",
         "class A:B{x=i1;}class C{}class D;delete E;"},
        {"class A{class B:A{};};", "class A{class B:A{}}"},
        {"a[] = {1, 2.5, \"s\", {b, {}}, };", "a[]={i1,f0x40200000,\"s\",{\"b\",{}}};"},
        {"a[] += {-1};\n b[]={};", "a[]+={i-1};b[]={};"},
        {"i = 2147483647; j = -2147483648; k = 2147483648; h = 0x1F; n = -0x10;",
         "i=i2147483647;j=i-2147483648;k=l2147483648;h=i31;n=i-16;"},
        {"f = 1.0; g = 1e3; h = -.5; t = 0.1; u = 1e-45; v = 3.4028235e38; w = "
         "99999999999999999999;",
         "f=f0x3f800000;g=f0x447a0000;h=f0xbf000000;t=f0x3dcccccd;u=f0x00000001;v=f0x7f7fffff;"
         "w=f0x60ad78ec;"},
        {"s = abc; p = \\a\\b.p3d; v = 1.2.3; n = nan; x = 1 + 2;",
         "s=\"abc\";p=\"\\a\\b.p3d\";v=\"1.2.3\";n=\"nan\";x=\"1 + 2\";"},
        {"s = \"say \"\"hi\"\"\"; t = \"a\" \\n \"b\" \\n\n\"\"; u = \"\";",
         "s=\"say \"hi\"\";t=\"a\nb\n\";u=\"\";"},
        {"a = __int64(5); b = __expression(\"x \"\"y\"\"\"); c = __float32(0x7fc00000);",
         "a=l5;b=e\"x \"y\"\";c=f0x7fc00000;"},
        {"enum { A = 1, B, C = -3 }; class X {};", "enum{A=1;B=2;C=-3;}class X{}"},
        {"class = 1; delete[] = {};", "class=i1;delete[]={};"},
        {"na\xe9me = \"\xff\";", "na\xe9me=\"\xff\";"},
    };
    for (const TreeCase& c : cases) {
        SCOPED_TRACE(c.text);
        Config config;
        std::string error;
        ASSERT_TRUE(ParseConfig(PlainText("t.cpp", c.text), config, error)) << error;
        EXPECT_EQ(test::TreeText(config), c.tree);
    }
}

std::string Nested(const char* open, const char* close, int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += open;
    for (int i = 0; i < depth; ++i) text += close;
    return text;
}

TEST(ParseConfig, NamesWhatWasExpectedAndWhere) {
    const std::string deep_classes = Nested("class A {", "};", 129);
    const std::string deep_arrays = "a[] = " + Nested("{", "}", 129) + ";";
    const TreeCase cases[] = {
        {"class A { x = 1; }", "t.cpp:1:19: expected ';' after the '}' of class A, found the end"},
        {"x = 1\ny = 2;", "t.cpp:1:6: expected ';' after the value of x, found 'y'"},
        {"class A {\n  x = 1;\n", "t.cpp:1:9: expected '}' to close this class"},
        {"class A : {};", "t.cpp:1:11: expected the parent's name after ':', found '{'"},
        {"class A B {};", "t.cpp:1:9: expected '{', ':' or ';' after class A, found 'B'"},
        {"x[] = 1;", "t.cpp:1:7: expected '{' to start the array x[]"},
        {"x = {1};", "t.cpp:1:5: expected a value after x = (an array is x[] = {...})"},
        {"x;", "t.cpp:1:2: expected '=' or '[]' after x, found ';'"},
        {"x = ;", "t.cpp:1:5: expected a value, found ';'"},
        {"a[] = {1 \"2\"};", "t.cpp:1:10: expected ',' or '}' in the array, found '\"'"},
        {"a[] = {1; 2};", "t.cpp:1:9: expected ',' or '}' in the array, found ';'"},
        {"a[] = {1,", "t.cpp:1:7: expected '}' to close this array"},
        {"x = 1e40;", "t.cpp:1:5: the number 1e40 is too large for a float"},
        {"x = __int64(1.5);", "t.cpp:1:5: expected a whole number of 64 bits in __int64(...)"},
        {"x = __float32(1.5);", "t.cpp:1:5: expected the float's 32 bits in hex"},
        {"= 1;", "t.cpp:1:1: expected a class or a property name, found '='"},
        {"enum { A = x };", "t.cpp:1:12: expected a whole number of 32 bits in the enum"},
        {deep_classes, "t.cpp:1:1159: classes nested deeper than 128"},
        {deep_arrays, "t.cpp:1:135: arrays nested deeper than 128"},
        // The rapified form ends a string at its NUL: one inside would cut it short.
        {std::string("x = \"ab\0c\";", 11), "t.cpp:1:8: a NUL byte cannot stand in a value"},
        {std::string("a[] = {b\0};", 11), "t.cpp:1:9: a NUL byte cannot stand in a value"},
    };
    for (const TreeCase& c : cases) {
        SCOPED_TRACE(c.text);
        Config config;
        std::string error;
        ASSERT_FALSE(ParseConfig(PlainText("t.cpp", c.text), config, error));
        EXPECT_EQ(error.substr(0, std::string(c.tree).size()), c.tree) << error;
    }
}

// A fault in an included file, or in a macro's expansion, is named where it stands.
TEST(ParseConfig, NamesTheFileAndLineThroughIncludesAndMacros) {
    const TextCase cases[] = {
        {"in the include",
         With("#include \"a.hpp\"\nclass B {};\n", {{"a.hpp", "x = 1;\ny = \"a\"\n"}}),
         "a.hpp:2:8: expected ';' after the value of y, found 'class'"},
        {"after the include",
         With("#include \"a.hpp\"\nx = 1;\nclass B {}", {{"a.hpp", "x = 1;\n"}}),
         "main.cpp:3:11: expected ';' after the '}'"},
        {"in a macro", With("#define BAD x[] = 1;\n\n  class C { BAD };"),
         "main.cpp:3:13: expected '{' to start the array x[]"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.rule);
        Config config;
        std::string error;
        EXPECT_FALSE(test::ConfigFromFiles(c.files, "main.cpp", config, error));
        EXPECT_EQ(error.substr(0, std::string(c.text).size()), c.text) << error;
    }
}

// Every rapified file the tests have: read, printed, and read back from its text through the
// preprocessor and the parser, gives the same tree; written again, a file of the writers' layout
// gives its own bytes.
TEST(RoundTrip, EveryRapifiedSampleComesBackFromItsText) {
    for (const test::RapifiedSample& sample : test::RapifiedSamples()) {
        SCOPED_TRACE(sample.name);
        Config read;
        std::string error;
        ASSERT_TRUE(ReadRapified(sample.bytes, read, error)) << error;
        const std::string text = PrintConfig(read);
        Config parsed;
        ASSERT_TRUE(test::ConfigFromFiles({{"config.cpp", text}}, "config.cpp", parsed, error))
            << error << "\n"
            << text;
        EXPECT_EQ(test::TreeText(parsed), test::TreeText(read));
        EXPECT_TRUE(parsed == read);
        if (sample.writers_layout) {
            EXPECT_TRUE(WriteRapified(parsed) == sample.bytes);
            std::string bytes;  // written as the text is read, in the same layout
            EXPECT_TRUE(RapifyText(PlainText("config.cpp", text), bytes, error) &&
                        bytes == sample.bytes);
        }
    }
}

}  // namespace
}  // namespace qp::config
