// SPDX-License-Identifier: Apache-2.0
#include "commands/commands.h"

#include "output/temp_output.h"

int main(int argc, char** argv) {
    vekdi::tool::removeTemporariesOnSignals();
    return vekdi::tool::runCli(argc, argv);
}
