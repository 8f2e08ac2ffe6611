// The hand-laid rapified configs: every offset below was counted by hand from the layout, and the
// comments give where each part starts.
#include "support/rapified_samples.h"

namespace qp::test {

using config::Entry;
using config::EntryType;
using config::Value;
using config::ValueType;

Value StringValue(const std::string& text) {
    return {ValueType::string, text, 0, 0, {}};
}

Value FloatValue(std::uint32_t bits) {
    return {ValueType::float32, {}, bits, 0, {}};
}

Value IntValue(std::int32_t number) {
    return {ValueType::int32, {}, 0, number, {}};
}

Value Int64Value(std::int64_t number) {
    return {ValueType::int64, {}, 0, number, {}};
}

Value ExpressionValue(const std::string& text) {
    return {ValueType::expression, text, 0, 0, {}};
}

Value ArrayValue(std::vector<Value> items) {
    return {ValueType::array, {}, 0, 0, std::move(items)};
}

Entry ClassEntry(const std::string& name, const std::string& parent, std::vector<Entry> entries) {
    return {EntryType::class_body, name, {}, {parent, std::move(entries)}};
}

Entry ValueEntry(const std::string& name, Value value) {
    return {EntryType::value, name, std::move(value), {}};
}

Entry ArrayEntry(const std::string& name, std::vector<Value> items, bool append) {
    return {append ? EntryType::array_append : EntryType::array,
            name,
            ArrayValue(std::move(items)),
            {}};
}

Entry NameEntry(EntryType type, const std::string& name) {
    return {type, name, {}, {}};
}

std::string Word(std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
    return bytes;
}

std::string Text(const std::string& text) {
    return text + '\0';
}

std::string Header(std::uint32_t enum_offset) {
    return std::string("\0raP", 4) + Word(0) + Word(8) + Word(enum_offset);
}

namespace {

std::string Byte(int value) {
    return std::string(1, static_cast<char>(value));
}

RapifiedSample Empty() {
    return {"empty",
            Header(18) + Text("") + Byte(0) +  // 16: the root, no parent, no entries
                Word(0),                       // 18: no enum values
            {},
            "",
            true};
}

config::Config ClassesTree() {
    config::Config tree;
    tree.root.entries = {
        ClassEntry("A", "", {ClassEntry("A1", "", {})}),
        ClassEntry("B", "A", {}),
        NameEntry(EntryType::extern_class, "Ext"),
        NameEntry(EntryType::delete_class, "Old"),
    };
    tree.enums = {{"Red", 1}, {"Blue", -2}};
    return tree;
}

const char kClassesText[] =
    "enum {\n"
    "    Red = 1,\n"
    "    Blue = -2\n"
    "};\n"
    "class A {\n"
    "    class A1 {};\n"
    "};\n"
    "class B: A {};\n"
    "class Ext;\n"
    "delete Old;\n";

std::string EnumTable() {
    return Word(2) + Text("Red") + Word(1) + Text("Blue") + Word(0xFFFFFFFE);
}

// The entry list of the root: A's body at 42, B's at 54 in the writers' layout.
std::string ClassesRoot(std::uint32_t a_body, std::uint32_t b_body) {
    return Text("") + Byte(4) +                  // 16: no parent, 4 entries
           Byte(0) + Text("A") + Word(a_body) +  // 18: class A, its offset at 21
           Byte(0) + Text("B") + Word(b_body) +  // 25: class B, its offset at 28
           Byte(3) + Text("Ext") +               // 32: class Ext;
           Byte(4) + Text("Old");                // 37: delete Old;
}

RapifiedSample Classes() {
    return {"classes",
            Header(57) + ClassesRoot(42, 54) +               // 16: the root's entries
                Text("") + Byte(1) + Byte(0) + Text("A1") +  // 42: A: class A1, its offset at 48
                Word(52) + Text("") + Byte(0) +              // 52: A1, empty
                Text("A") + Byte(0) +                        // 54: B: A, empty
                EnumTable(),                                 // 57
            ClassesTree(), kClassesText, true};
}

// The same tree as another writer may lay it out: the enum table first, the bodies in another
// order, each followed by a word that some readers take for the next body's offset.
RapifiedSample BodiesElsewhere() {
    return {"bodies_elsewhere",
            Header(46) + ClassesRoot(80, 67) + Word(67) +    // 16: the root's entries
                EnumTable() +                                // 46
                Text("A") + Byte(0) + Word(74) +             // 67: B: A, empty
                Text("") + Byte(0) + Word(80) +              // 74: A1, empty
                Text("") + Byte(1) + Byte(0) + Text("A1") +  // 80: A: class A1 at 74
                Word(74) + Word(0),
            ClassesTree(), kClassesText, false};
}

RapifiedSample Values() {
    config::Config tree;
    tree.root.entries = {
        ValueEntry("name", StringValue("say \"hi\"")),
        ValueEntry("scale", FloatValue(0x3FC00000)),  // 1.5
        ValueEntry("one", FloatValue(0x3F800000)),    // 1.0
        ValueEntry("count", IntValue(-2)),
        ValueEntry("text", StringValue("line 1\nline 2\xE9")),
        ValueEntry("expr", ExpressionValue("a + b")),
        ValueEntry("big", Int64Value(5000000000)),
        ValueEntry("small64", Int64Value(7)),
        ValueEntry("nan", FloatValue(0x7FC00000)),
    };
    return {"values",
            Header(145) + Text("") + Byte(9) +                           // 16: no parent, 9 entries
                Byte(1) + Byte(0) + Text("name") + Text("say \"hi\"") +  // 18: string
                Byte(1) + Byte(1) + Text("scale") + Word(0x3FC00000) +   // 34: float
                Byte(1) + Byte(1) + Text("one") + Word(0x3F800000) +     // 46: float
                Byte(1) + Byte(2) + Text("count") + Word(0xFFFFFFFE) +   // 56: int
                Byte(1) + Byte(0) + Text("text") + Text("line 1\nline 2\xE9") +  // 68
                Byte(1) + Byte(4) + Text("expr") + Text("a + b") +               // 90: expression
                Byte(1) + Byte(6) + Text("big") + Word(0x2A05F200) + Word(1) +   // 103: int64
                Byte(1) + Byte(6) + Text("small64") + Word(7) + Word(0) +        // 117: int64
                Byte(1) + Byte(1) + Text("nan") + Word(0x7FC00000) +             // 135: float
                Word(0),  // 145: no enum values
            tree,
            "name = \"say \"\"hi\"\"\";\n"
            "scale = 1.5;\n"
            "one = 1.0;\n"
            "count = -2;\n"
            "text = \"line 1\" \\n \"line 2\xE9\";\n"
            "expr = __expression(\"a + b\");\n"
            "big = 5000000000;\n"
            "small64 = __int64(7);\n"
            "nan = __float32(0x7fc00000);\n",
            true};
}

RapifiedSample Arrays() {
    std::vector<Value> many;
    std::string many_bytes = Byte(2) + Text("many") + Byte(0x82) + Byte(0x01);  // 130 elements
    std::string many_text = "    many[] = {";
    for (int i = 0; i < 130; ++i) {
        many.push_back(IntValue(i));
        many_bytes += Byte(2) + Word(i);
        many_text += (i == 0 ? "" : ", ") + std::to_string(i);
    }
    config::Config tree;
    tree.root.entries = {
        ClassEntry("Weapons", "Default",
                   {ArrayEntry("list", {StringValue("a"), FloatValue(0x3F000000), IntValue(3),
                                        ArrayValue({IntValue(4), ArrayValue({})}),
                                        ExpressionValue("x"), Int64Value(9)}),
                    ArrayEntry("list", {StringValue("b")}, true), ArrayEntry("many", many)})};
    return {"arrays",
            Header(753) + Text("") + Byte(1) +                      // 16: no parent, 1 entry
                Byte(0) + Text("Weapons") + Word(31) +              // 18: class Weapons
                Text("Default") + Byte(3) +                         // 31: Weapons: Default
                Byte(2) + Text("list") + Byte(6) +                  // 40: list[], 6 elements
                Byte(0) + Text("a") + Byte(1) + Word(0x3F000000) +  // "a", 0.5
                Byte(2) + Word(3) +                                 // 3
                Byte(3) + Byte(2) + Byte(2) + Word(4) + Byte(3) + Byte(0) +  // {4, {}}
                Byte(4) + Text("x") + Byte(6) + Word(9) + Word(0) +          // expression, int64
                Byte(5) + Word(1) + Text("list") + Byte(1) +                 // 81: list[] +=, 1
                Byte(0) + Text("b") +                                        // "b"
                many_bytes +                                                 // 95: many[]
                Word(0),                                                     // 753: no enum values
            tree,
            "class Weapons: Default {\n"
            "    list[] = {\"a\", 0.5, 3, {4, {}}, __expression(\"x\"), __int64(9)};\n"
            "    list[] += {\"b\"};\n" +
                many_text + "};\n};\n",
            true};
}

}  // namespace

std::vector<RapifiedSample> RapifiedSamples() {
    return {Empty(), Classes(), Values(), Arrays(), BodiesElsewhere()};
}

}  // namespace qp::test
