// Build-time generator of the band-limited step table stored in the core
// machines library: make_step_table <zero crossings> <oversampling> <output>.
#include "coremachines/CStepTable.h"
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <zero crossings> <oversampling> <output>\n", argv[0]);
        return 2;
    }
    const int zeroCrossings = std::atoi(argv[1]);
    const int oversampling = std::atoi(argv[2]);
    if (zeroCrossings <= 0 || oversampling <= 0) {
        std::fprintf(stderr, "make_step_table: counts must be positive\n");
        return 2;
    }
    const auto bytes = CStepTable::Generate(zeroCrossings, oversampling, true).Serialize();
    std::FILE* file = std::fopen(argv[3], "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}
