// Stored window descriptions: the object tree of a window (classes, names, properties, nested
// components) in two forms. The text form is what people write, one file per window:
//
//   object Form1: TForm1            root: name and class
//     Width = 588                   integer (decimal, or $hex)
//     Caption = 'Talvimo'#33        string ('' escapes a quote, #n is a Unicode code point)
//     Visible = False               identifier: booleans, enumerations, colours, cursors,
//     Position = poDesktopCenter      component references and event handler names
//     Font.Style = [fsBold]         set; dotted names reach into sub-objects
//     Picture.Data = file('../pictures/a.png')   binary block read from a file
//     Bitmap = {0A0B0C}             binary block given inline in hex
//     Items = <                     collection of items
//       item
//         Name = 'A'
//       end>
//     object Image1: TImage         nested component (a control nests in its parent)
//     end
//   end
//
// Text is UTF-8 and strings come out as GBK. The binary form is what the build packs into the
// executable (see tools/formcompiler); both give the same tree.
#pragma once

#include "Types.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct TItemDescription;

struct TValue {
    enum class Kind : std::uint8_t { Integer, String, Ident, Set, Binary, Collection };
    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    std::string text;                    // String (GBK bytes) or Ident
    std::vector<std::string> names;      // Set
    TBytes bytes;                        // Binary
    std::vector<TItemDescription> items; // Collection
};

struct TPropertyDescription {
    std::string name; // may be dotted: Font.Name
    TValue value;
    int line = 0;
};

struct TItemDescription {
    std::vector<TPropertyDescription> properties;
};

struct TObjectDescription {
    std::string className;
    std::string name;
    std::vector<TPropertyDescription> properties;
    std::vector<TObjectDescription> children;
    int line = 0;
};

// Parses the text form. file('...') paths are relative to baseDir and may name build
// variables as ${NAME} (for blocks the build makes); every file read is added to filesRead
// when given. Raises EReadError "line N: ..." on malformed text, an unknown variable, an
// unreadable file and a string GBK cannot write.
TObjectDescription ParseDescription(std::string_view text, const std::string& baseDir,
                                    std::vector<std::string>* filesRead = nullptr,
                                    const std::map<std::string, std::string>& variables = {});

TBytes WriteBinaryDescription(const TObjectDescription& description);
// Raises EReadError "Invalid stream format" on anything but a whole, well-formed description.
TObjectDescription ReadBinaryDescription(std::span<const std::uint8_t> data);
