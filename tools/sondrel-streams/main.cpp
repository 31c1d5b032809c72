#include "Companion.h"

#include <clocale>
#include <cstdio>

int main(int argc, char** argv)
{
    // System message texts come in the user's language.
    std::setlocale(LC_ALL, "");
    return sondrel::tools::RunCompanion(argc, argv, stdout, stderr);
}
