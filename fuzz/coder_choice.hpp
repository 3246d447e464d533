// Which coder a coder fuzz target drives: a property that the coder serves,
// of an object type. The harnesses are compiled once; each target links a
// generated file that defines these for its coder (fuzz/CMakeLists.txt).
#pragma once

namespace fuzzing {

extern const int kCoderProperty;
extern const int kCoderObjectType;

}  // namespace fuzzing
