// Component streaming in the text form of nested objects:
//
//   object Camera1: TgkCamera
//     Position.Point = '(0,-10,0)'
//     Opacity = 1
//     OnMouseDown = Camera1MouseDown
//     Mesh = {
//       0400000000...}
//     object Light1: TgkLight
//       LightType = gkLightSpot
//     end
//   end
//
// Values: numbers ("." always), 'quoted strings' ('' for a quote, #nnn for a character code,
// parts joined with +), identifiers (enumeration values, True/False, handler and component
// names), [set, values], ('string' 'list'), {hexadecimal bytes} and <item ... end>
// collections. Nested object properties are written as dotted paths (Position.X).
// Children are the components a component lists in GetChildren; when read they are
// placed with SetParentComponent.
#pragma once

#include <stdexcept>

#include "core/component.h"
#include "core/stream.h"

// Raised by the reader for malformed or unknown content (with a line number).
class EReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes component, its properties and its children (recursively) into stream.
void WriteComponent(TStream& stream, const TComponent& component);

// Reads one object block and creates the objects it describes with owner as their owner
// (nullptr: the caller owns the returned top object; its children belong to it through
// its parent tree). Events are bound from owner's Methods(); references are resolved by
// name among the objects read and owner's components. Loaded() runs on every object read
// once the block is complete. Raises EReadError (or the error of a property setter); on an
// error every object created so far is freed again.
TComponent* ReadComponent(TStream& stream, TComponent* owner);

// Reads an object block into an existing root (a window built from its stored
// description): the root's properties are set, nested objects are created with the root as
// owner. The class in the text must be the root's class or one of its bases. Raises like
// ReadComponent; objects created before an error are freed again.
void ReadRootComponent(TStream& stream, TComponent& root);

// Writes obj with its stored children; obj's own name is left out (blanked while writing
// and restored).
void SaveObjectToStream(const TComponent& obj, TStream& stream);
// ReadComponent that returns nullptr on any error instead of raising.
TComponent* LoadObjectFromStream(TComponent* owner, TStream& stream);
// A copy of obj made by writing it and reading it back with new_owner as owner; the names
// of the copies are cleared. nullptr when the copy cannot be read back.
TComponent* CloneObject(const TComponent& obj, TComponent* new_owner);
// CloneObject in two halves, for making many copies of one object: the text form of obj
// (as SaveObjectToStream writes it), and a copy read from that text, with obj's owner's
// methods bound as CloneObject binds them. nullptr when the text cannot be read.
std::string CloneText(const TComponent& obj);
TComponent* CloneFromText(const std::string& text, const TComponent& obj, TComponent* new_owner);

// Convenience for tests and tools: the text form of component and back.
std::string ComponentToText(const TComponent& component);
