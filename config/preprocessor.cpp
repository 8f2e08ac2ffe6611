// The preprocessor: each file scanned once, its directives obeyed, its macros expanded, its text
// copied in runs; when a place is to be traced, with a mark wherever the output stops following
// the file byte for byte.
#include "config/preprocessor.h"

#include <algorithm>
#include <unordered_map>

namespace qp::config {
namespace {

// An #ifdef or #ifndef open in a file: where it stands, whether the text around it is taken,
// and whether its own branch (before or after #else) is.
struct Conditional {
    std::size_t at = 0;
    bool outer_active = true;
    bool taking = true;
    bool seen_else = false;
};

// One file being scanned.
struct Scan {
    std::uint32_t file = 0;
    std::string_view text;
    std::size_t at = 0;
    std::size_t copied = 0;  // the text before it is in the output, or left out
    std::vector<Conditional> conditions = {};
    LineCount lines = {text};
};

// One preprocessing: its files, macros and the includes open.
struct Run {
    const ReadInclude& read_include;
    const PreprocessSettings& settings;
    Preprocessed& out;
    std::vector<SourceMark>* marks;  // kept only when a place is to be found
    MacroTable macros = {};
    Expansion expansion{macros, settings.limits};
    std::vector<std::string> including = {};  // the folded paths of the files being scanned
    // Each file is read once, however often it is included (headers guarded by #ifndef are).
    std::unordered_map<std::string, std::uint32_t> read = {};
    std::size_t scanned = 0;                       // bytes of the files scanned, each time again
    std::vector<std::string_view> arguments = {};  // of the macro use being expanded
    std::vector<std::string> cleaned = {};         // its arguments that held comments, without
    std::string error = {};
};

constexpr ByteSet kLineBytes = BytesOf("\n\"/", true);

bool Fail(Run& run, const Scan& scan, std::size_t at, const std::string& what) {
    if (run.error.empty()) run.error = Where(run.out.files[scan.file], at) + ": " + what;
    return false;
}

bool Active(const Scan& scan) {
    return scan.conditions.empty() ||
           (scan.conditions.back().outer_active && scan.conditions.back().taking);
}

// The expansion that follows stands at text[at] of the scan's file, for __LINE__ and __FILE__.
void ExpandAt(Run& run, Scan& scan, std::size_t at) {
    run.expansion.lines = &scan.lines;
    run.expansion.use = at;
    run.expansion.file = run.out.files[scan.file].path;
}

// Marks that the output from here on comes from the scan's file at `source`: byte for byte
// (unless it goes on from the last mark), or as the stand-in for what stands there.
void Mark(Run& run, const Scan& scan, std::size_t source, bool verbatim) {
    if (run.marks == nullptr) return;
    std::vector<SourceMark>& marks = *run.marks;
    const std::size_t output = run.out.text.size();
    const bool goes_on = verbatim && !marks.empty() && marks.back().verbatim &&
                         marks.back().file == scan.file &&
                         marks.back().source + (output - marks.back().output) == source;
    if (!goes_on) marks.push_back({output, scan.file, source, verbatim});
}

// Copies the text not yet copied, up to `upto`.
void Flush(Run& run, Scan& scan, std::size_t upto) {
    if (upto <= scan.copied) return;
    Mark(run, scan, scan.copied, true);
    run.out.text.append(scan.text.substr(scan.copied, upto - scan.copied));
    scan.copied = upto;
}

// The output that follows stands for the text at `at` (a macro's name, a comment).
void MarkStandIn(Run& run, const Scan& scan, std::size_t at) {
    Mark(run, scan, at, false);
}

std::size_t LineEnd(std::string_view text, std::size_t at) {
    const std::size_t end = text.find('\n', at);
    return end == std::string_view::npos ? text.size() : end;
}

// The text with its comments gone (a block comment becomes a space); strings stay whole.
std::string WithoutComments(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == '"') {
            const std::size_t end = std::min(StringEnd(text, at), text.size());
            out.append(text.substr(at, end - at));
            at = end;
        } else if (text.substr(at, 2) == "//") {
            at = LineEnd(text, at);
        } else if (text.substr(at, 2) == "/*") {
            const std::size_t end = text.find("*/", at + 2);
            at = end == std::string_view::npos ? text.size() : end + 2;
            out.push_back(' ');
        } else {
            out.push_back(text[at++]);
        }
    }
    return out;
}

bool ScanFile(Run& run, std::uint32_t file, int depth);

bool Include(Run& run, Scan& scan, std::size_t at, const std::string& name, int depth) {
    if (depth >= run.settings.max_include_depth) {
        return Fail(
            run, scan, at,
            "includes nested deeper than " + std::to_string(run.settings.max_include_depth));
    }
    const std::string& including = run.out.files[scan.file].path;
    for (const std::string& path :
         IncludeCandidates(including, name, run.settings.include_folders)) {
        auto known = run.read.find(path);
        if (known == run.read.end()) {
            std::string text;
            std::string reason;
            const IncludeRead read = run.read_include(path, text, reason);
            if (read == IncludeRead::not_found) continue;
            if (read == IncludeRead::failed) return Fail(run, scan, at, path + ": " + reason);
            run.out.files.push_back({path, std::move(text)});
            const auto index = static_cast<std::uint32_t>(run.out.files.size() - 1);
            known = run.read.emplace(path, index).first;
        }
        if (std::find(run.including.begin(), run.including.end(), path) != run.including.end()) {
            return Fail(run, scan, at, "include cycle: " + path + " is already being included");
        }
        run.including.push_back(path);
        const bool scanned = ScanFile(run, known->second, depth + 1);
        run.including.pop_back();
        return scanned;
    }
    return Fail(run, scan, at, "cannot find the include file \"" + name + "\"");
}

// #ifdef, #ifndef, #else and #endif, wherever they stand; false for another directive.
bool Conditionals(Run& run, Scan& scan, std::size_t at, std::string_view directive,
                  std::string_view argument, bool& failed) {
    std::vector<Conditional>& open = scan.conditions;
    if (directive == "ifdef" || directive == "ifndef" || directive == "if") {
        if (directive == "if" && Active(scan)) {
            failed = !Fail(run, scan, at, "#if is not supported: use #ifdef or #ifndef");
        } else if (argument.empty() && Active(scan)) {
            failed = !Fail(run, scan, at, "expected a macro name after #" + std::string(directive));
        }
        const bool defined = run.macros.find(argument) != run.macros.end();
        open.push_back({at, Active(scan), defined == (directive == "ifdef"), false});
    } else if (directive == "else" || directive == "endif") {
        if (open.empty()) {
            std::string what = "#";
            what.append(directive).append(" without #ifdef");
            failed = !Fail(run, scan, at, what);
        } else if (directive == "endif") {
            open.pop_back();
        } else if (open.back().seen_else) {
            failed = !Fail(run, scan, at, "a second #else for one #ifdef");
        } else {
            open.back().taking = !open.back().taking;
            open.back().seen_else = true;
        }
    } else {
        return false;
    }
    return true;
}

// The directive whose '#' is at `at`: its logical line (continued by a backslash at the end of a
// line) is read and obeyed, and the scan goes on after it.
bool Directive(Run& run, Scan& scan, std::size_t at, int depth) {
    std::string line;
    std::size_t end = at + 1;
    while (true) {
        const std::size_t line_end = LineEnd(scan.text, end);
        std::string_view piece = scan.text.substr(end, line_end - end);
        if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
        end = std::min(line_end + 1, scan.text.size());
        if (piece.empty() || piece.back() != '\\' || line_end == scan.text.size()) {
            line.append(piece);
            break;
        }
        line.append(piece.substr(0, piece.size() - 1));  // the lines join, as in C
    }
    scan.at = end;
    scan.copied = end;
    line = WithoutComments(line);
    const std::string_view text = line;
    std::size_t name_start = text.find_first_not_of(" \t");
    if (name_start == std::string_view::npos) name_start = text.size();
    std::size_t name_end = name_start;
    while (name_end < text.size() && IsNameByte(text[name_end])) ++name_end;
    const std::string_view directive = text.substr(name_start, name_end - name_start);
    std::string_view rest = text.substr(name_end);
    const std::size_t first = rest.find_first_not_of(" \t");
    rest = first == std::string_view::npos ? std::string_view() : rest.substr(first);
    std::string_view word = rest.substr(0, rest.find_first_of(" \t"));
    bool failed = false;
    if (Conditionals(run, scan, at, directive, word, failed)) return !failed;
    if (!Active(scan)) return true;
    if (directive == "define") {
        std::string name;
        Macro macro;
        std::string error;
        if (!DefineMacro(rest, name, macro, error)) return Fail(run, scan, at, error);
        run.expansion.may_expand[static_cast<unsigned char>(name[0])] |= LengthBit(name.size());
        run.macros.insert_or_assign(std::move(name), std::move(macro));
        return true;
    }
    if (directive == "undef") {
        if (word.empty()) return Fail(run, scan, at, "expected a macro name after #undef");
        const auto found = run.macros.find(word);
        if (found != run.macros.end()) run.macros.erase(found);
        return true;
    }
    if (directive == "include") {
        while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
        const bool quoted = rest.size() >= 2 && ((rest.front() == '"' && rest.back() == '"') ||
                                                 (rest.front() == '<' && rest.back() == '>'));
        if (!quoted) return Fail(run, scan, at, "expected \"FILE\" or <FILE> after #include");
        return Include(run, scan, at, std::string(rest.substr(1, rest.size() - 2)), depth);
    }
    return Fail(run, scan, at, "unknown directive #" + std::string(directive));
}

// A macro's name at `at`, ending at `end`: its use expanded into the output.
bool ExpandUse(Run& run, Scan& scan, std::size_t at, std::size_t end, const std::string& name,
               const Macro& macro) {
    std::vector<std::string_view>& arguments = run.arguments;
    arguments.clear();
    std::size_t after = end;
    if (macro.function_like) {
        std::size_t open = end;
        while (open < scan.text.size() && (scan.text[open] == ' ' || scan.text[open] == '\t')) {
            ++open;
        }
        if (open >= scan.text.size() || scan.text[open] != '(') return true;  // just the name
        after = SplitArguments(scan.text, open, arguments);
        if (after == std::string_view::npos) {
            return Fail(run, scan, at, "expected ')' to end the arguments of " + name);
        }
        run.cleaned.clear();
        run.cleaned.reserve(arguments.size());  // views of them stay valid
        for (std::string_view& argument : arguments) {
            if (argument.find('/') == std::string_view::npos) continue;
            run.cleaned.push_back(WithoutComments(argument));
            argument = run.cleaned.back();
        }
    }
    Flush(run, scan, at);
    MarkStandIn(run, scan, at);
    ExpandAt(run, scan, at);
    if (!ExpandMacro(run.expansion, name, macro, arguments, run.out.text)) {
        return Fail(run, scan, at, run.expansion.error);
    }
    scan.at = after;
    scan.copied = after;
    return true;
}

// A name in the text, from scan.at to `end`: a macro's use, __LINE__ or __FILE__, a refused word,
// or just text.
bool TakeName(Run& run, Scan& scan, std::size_t end) {
    const std::size_t at = scan.at;
    scan.at = end;
    const std::string_view name = scan.text.substr(at, end - at);
    const auto found = run.macros.find(name);
    if (found != run.macros.end())
        return ExpandUse(run, scan, at, end, found->first, found->second);
    const SpecialWord special = SpecialWordOf(name);
    if (special == SpecialWord::none) return true;
    if (special == SpecialWord::refused) {
        return Fail(run, scan, at,
                    std::string(name) +
                        " is not supported: it runs game script when the config is rapified");
    }
    Flush(run, scan, at);
    MarkStandIn(run, scan, at);
    ExpandAt(run, scan, at);
    PutSpecialWord(run.expansion, special, run.out.text);
    scan.copied = end;
    return true;
}

// A comment at scan.at: left out (a block comment leaves a space).
bool SkipComment(Run& run, Scan& scan, bool active) {
    const std::size_t at = scan.at;
    if (active) Flush(run, scan, at);
    if (scan.text[at + 1] == '/') {
        scan.at = LineEnd(scan.text, at);
    } else {
        const std::size_t end = scan.text.find("*/", at + 2);
        if (end == std::string_view::npos) {
            return Fail(run, scan, at,
                        "unterminated comment: expected */ before the end of the file");
        }
        scan.at = end + 2;
        if (active) {
            MarkStandIn(run, scan, at);
            run.out.text.push_back(' ');
        }
    }
    scan.copied = scan.at;
    return true;
}

// The text of an active line, from scan.at through its line break; a comment, a string or a
// macro's arguments may take the scan past further line breaks.
bool ScanLine(Run& run, Scan& scan) {
    const std::string_view text = scan.text;
    while ((scan.at = Skip(text, scan.at, kLineBytes)) < text.size()) {
        const char c = text[scan.at];
        if (IsNameByte(c)) {
            const std::size_t end = NameEnd(text, scan.at);
            if (StartsName(c) && MayExpand(run.expansion, c, end - scan.at)) {
                if (!TakeName(run, scan, end)) return false;
            } else {
                scan.at = end;
            }
        } else if (c == '\n') {
            ++scan.at;
            return true;
        } else if (c == '"') {
            const std::size_t end = StringEnd(text, scan.at);
            if (end == std::string_view::npos) {
                return Fail(run, scan, scan.at,
                            "unterminated string: expected \" before the end of the line");
            }
            scan.at = end;
        } else if (c == '/' && scan.at + 1 < text.size() &&
                   (text[scan.at + 1] == '/' || text[scan.at + 1] == '*')) {
            if (!SkipComment(run, scan, true)) return false;
        } else {
            ++scan.at;
        }
    }
    return true;
}

// A line left out by a conditional, through its line break: only a comment that goes on past it
// matters, and a string, which may hold what looks like one.
bool SkipLine(Run& run, Scan& scan) {
    const std::string_view text = scan.text;
    while (scan.at < text.size()) {
        const char c = text[scan.at];
        if (c == '\n') {
            ++scan.at;
            break;
        }
        if (c == '"') {
            const std::size_t end = StringEnd(text, scan.at);
            scan.at = end == std::string_view::npos ? LineEnd(text, scan.at) : end;
        } else if (c == '/' && scan.at + 1 < text.size() &&
                   (text[scan.at + 1] == '/' || text[scan.at + 1] == '*')) {
            if (!SkipComment(run, scan, false)) return false;
        } else {
            ++scan.at;
        }
    }
    scan.copied = scan.at;
    return true;
}

bool ScanFile(Run& run, std::uint32_t file, int depth) {
    Scan scan{file, run.out.files[file].text};
    const std::string_view text = scan.text;
    // A header included again and again, each time left out whole by its guard, adds no output
    // but costs its scan: the scans together are bounded too.
    run.scanned += text.size();
    if (run.scanned > run.settings.limits.max_output * 4) {
        return Fail(run, scan, 0,
                    "the files included come to more than " +
                        std::to_string((run.settings.limits.max_output * 4) >> 20) +
                        " MiB, counting each time a file is included");
    }
    // Editors on Windows start a UTF-8 file with a byte-order mark, which is no text of it.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") scan.at = scan.copied = 3;
    while (scan.at < text.size()) {
        std::size_t first = scan.at;
        while (first < text.size() && (text[first] == ' ' || text[first] == '\t')) ++first;
        if (first < text.size() && text[first] == '#') {
            if (Active(scan)) Flush(run, scan, scan.at);
            if (!Directive(run, scan, first, depth)) return false;
            continue;
        }
        scan.at = first;  // the blanks are copied with what follows them
        if (!(Active(scan) ? ScanLine(run, scan) : SkipLine(run, scan))) return false;
        if (run.out.text.size() > run.settings.limits.max_output) {
            return Fail(run, scan, scan.at,
                        "the preprocessed text grows past " +
                            std::to_string(run.settings.limits.max_output >> 20) + " MiB");
        }
    }
    if (!scan.conditions.empty()) {
        return Fail(run, scan, scan.conditions.back().at,
                    "expected #endif for this #ifdef before the end of the file");
    }
    if (Active(scan)) Flush(run, scan, text.size());
    return true;
}

bool PreprocessMarking(const std::string& path, std::string text, const ReadInclude& read,
                       const PreprocessSettings& settings, Preprocessed& out, std::string& error,
                       std::vector<SourceMark>* marks) {
    out = {};
    out.settings = settings;
    out.text.reserve(text.size() + text.size() / 4);
    out.files.push_back({path, std::move(text)});
    Run run{read, settings, out, marks};
    run.including.push_back(FoldedPath(path));
    run.read.emplace(run.including.back(), 0);
    if (ScanFile(run, 0, 0)) return true;
    error = run.error;
    return false;
}

}  // namespace

bool Preprocess(const std::string& path, std::string text, const ReadInclude& read,
                const PreprocessSettings& settings, Preprocessed& out, std::string& error) {
    return PreprocessMarking(path, std::move(text), read, settings, out, error, nullptr);
}

Preprocessed PlainText(std::string path, std::string text) {
    Preprocessed plain;
    plain.text = text;
    plain.files.push_back({std::move(path), std::move(text)});
    plain.plain = true;
    return plain;
}

std::string Where(const Preprocessed& preprocessed, std::size_t output) {
    if (preprocessed.files.empty()) return "?";
    if (preprocessed.plain) return Where(preprocessed.files[0], output);
    // The files as they were read the first time: the same output, byte for byte.
    const ReadInclude read_again = [&preprocessed](const std::string& path, std::string& text,
                                                   std::string&) {
        for (const SourceText& file : preprocessed.files) {
            if (file.path != path) continue;
            text = file.text;
            return IncludeRead::ok;
        }
        return IncludeRead::not_found;
    };
    const SourceText& top = preprocessed.files[0];
    Preprocessed again;
    std::vector<SourceMark> marks;
    std::string error;
    PreprocessMarking(top.path, top.text, read_again, preprocessed.settings, again, error, &marks);
    return Where(again.files, marks, output);
}

}  // namespace qp::config
