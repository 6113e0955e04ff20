// Writes one shell link with the test link writer, for the scripts that lay
// out sticks for both editions:
//   write-test-link OUT idlist|linkinfo|environment TARGET [ARGUMENTS [WORKING-FOLDER]]
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/testing/link_writer.h"

int main(int argc, char** argv) {
  using veltrano::sweep::testing::LinkShape;
  if (argc < 4 || argc > 6) {
    std::fprintf(stderr,
                 "usage: %s OUT idlist|linkinfo|environment TARGET [ARGUMENTS [WORKING-FOLDER]]\n",
                 argv[0]);
    return 2;
  }
  const std::string by = argv[2];
  LinkShape shape;
  if (by == "idlist") {
    shape.idListTarget = argv[3];
  } else if (by == "linkinfo") {
    shape.linkInfoTarget = argv[3];
  } else if (by == "environment") {
    shape.environmentTarget = argv[3];
  } else {
    std::fprintf(stderr, "%s: no target kind %s\n", argv[0], argv[2]);
    return 2;
  }
  if (argc > 4) shape.arguments = argv[4];
  if (argc > 5) shape.workingDir = argv[5];
  const std::string bytes = veltrano::sweep::testing::WriteLink(shape).bytes;
  std::ofstream out(argv[1], std::ios::binary);
  out << bytes;
  out.close();
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
