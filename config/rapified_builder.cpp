// The rapified builder: entry lists gathered by depth, copied apart as their classes close, and
// put in the writers' order at the end, each class's body offset written as its body is placed.
#include "config/rapified_builder.h"

#include <limits>

#include "config/rapified_format.h"
#include "pbo/little_endian.h"

namespace qp::config {
namespace {

void OpenBodyAt(RapifiedBuilder& builder, std::string_view parent, std::size_t offset_field) {
    if (builder.open.size() <= builder.depth) builder.open.emplace_back();
    OpenBody& body = builder.open[builder.depth];
    body.parent.assign(parent);
    body.entries.clear();
    body.count = 0;
    body.offset_field = offset_field;
    body.first_child = body.last_child = kNoBody;
}

// The innermost open body's bytes go to `closed`; its record is linked to its parent's.
std::size_t CloseBody(RapifiedBuilder& builder) {
    const OpenBody& body = builder.open[builder.depth];
    ClosedBody done;
    done.start = builder.closed.size();
    PutText(builder.closed, body.parent);
    PutCompressed(builder.closed, body.count);
    done.entries_start = builder.closed.size() - done.start;
    builder.closed.append(body.entries);
    done.size = builder.closed.size() - done.start;
    done.offset_field = body.offset_field;
    done.first_child = body.first_child;
    const std::size_t index = builder.bodies.size();
    builder.bodies.push_back(done);
    return index;
}

// The body and then its children's, depth first, each child's offset written into its entry.
void PlaceBody(const RapifiedBuilder& builder, std::size_t index, std::string& bytes) {
    const ClosedBody& body = builder.bodies[index];
    const std::size_t at = bytes.size();
    bytes.append(builder.closed, body.start, body.size);
    for (std::size_t child = body.first_child; child != kNoBody;
         child = builder.bodies[child].next_sibling) {
        const std::size_t field = at + body.entries_start + builder.bodies[child].offset_field;
        StoreLittle32(static_cast<std::uint32_t>(bytes.size()),
                      reinterpret_cast<std::uint8_t*>(&bytes[field]));
        PlaceBody(builder, child, bytes);
    }
}

}  // namespace

void PutCompressed(std::string& out, std::size_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<char>((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
}

void PutText(std::string& out, std::string_view text) {
    out.append(text);
    out.push_back('\0');
}

void PutInt64(std::string& out, std::int64_t value) {
    AppendLittle32(out, static_cast<std::uint32_t>(value));
    AppendLittle32(out, static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) >> 32));
}

std::size_t StartArray(std::string& out) {
    out.push_back('\0');
    return out.size() - 1;
}

void EndArray(std::string& out, std::size_t count_at, std::size_t count) {
    if (count < 0x80) {
        out[count_at] = static_cast<char>(count);
        return;
    }
    std::string encoded;
    PutCompressed(encoded, count);
    out.replace(count_at, 1, encoded);  // a move of the elements only for 128 or more
}

void StartRapified(RapifiedBuilder& builder, std::string_view parent, std::size_t size_hint) {
    builder.depth = 0;
    builder.bodies.clear();
    builder.closed.clear();
    builder.closed.reserve(size_hint);
    builder.enums.clear();
    builder.enum_count = 0;
    builder.open.reserve(kMaxNesting + 1);  // a text too deep is refused first
    OpenBodyAt(builder, parent, 0);
}

std::string& StartEntry(RapifiedBuilder& builder, EntryType type) {
    OpenBody& body = builder.open[builder.depth];
    ++body.count;
    body.entries.push_back(static_cast<char>(type));
    return body.entries;
}

void OpenClass(RapifiedBuilder& builder, std::string_view name, std::string_view parent) {
    std::string& entries = StartEntry(builder, EntryType::class_body);
    PutText(entries, name);
    const std::size_t offset_field = entries.size();
    AppendLittle32(entries, 0);  // written when the body is placed
    ++builder.depth;
    OpenBodyAt(builder, parent, offset_field);
}

void CloseClass(RapifiedBuilder& builder) {
    const std::size_t index = CloseBody(builder);
    --builder.depth;
    OpenBody& parent = builder.open[builder.depth];
    if (parent.last_child == kNoBody) {
        parent.first_child = index;
    } else {
        builder.bodies[parent.last_child].next_sibling = index;
    }
    parent.last_child = index;
}

void AddEnumValue(RapifiedBuilder& builder, std::string_view name, std::int32_t value) {
    PutText(builder.enums, name);
    AppendLittle32(builder.enums, static_cast<std::uint32_t>(value));
    ++builder.enum_count;
}

bool FinishRapified(RapifiedBuilder& builder, std::string& bytes) {
    while (builder.depth > 0) CloseClass(builder);
    const std::size_t root = CloseBody(builder);
    const std::size_t size =
        kRapifiedHeaderSize + builder.closed.size() + sizeof(std::uint32_t) + builder.enums.size();
    // Every offset written is below the final size: a size that fits 32 bits means none wrapped.
    if (size > std::numeric_limits<std::uint32_t>::max()) return false;
    bytes.clear();
    bytes.reserve(size);
    bytes.append(kRapifiedMagic);
    AppendLittle32(bytes, kHeaderWordZero);
    AppendLittle32(bytes, kHeaderWordEight);
    AppendLittle32(bytes, 0);  // the enum table's offset, known once the bodies are placed
    PlaceBody(builder, root, bytes);
    StoreLittle32(static_cast<std::uint32_t>(bytes.size()),
                  reinterpret_cast<std::uint8_t*>(&bytes[12]));
    AppendLittle32(bytes, builder.enum_count);
    bytes.append(builder.enums);
    return true;
}

}  // namespace qp::config
