#include "messages.h"

namespace quorvel {

void print_banner(Console& console) {
    print_text(console, "\n\nQuorvel 0.1b - HL1 and Source reference SMD converter\n");
    print_text(console, "--------------------------------------------------------------\n\n");
}

void print_usage(Console& console) {
    print_text(console, "Converts HL1 format reference SMD files to Source format SMD.\n\n");
    print_text(console, "Usage: quorvel.exe -hl|source <infile.smd> <outfile.smd>\n\n");
    print_text(console, " -hl|source\t\t(Input file format)\n");
    print_text(console, " <infile.smd>\t\t(SMD file to be converted)\n");
    print_text(console, " <outfile.smd>\t\t(SMD file to write)\n\n");
    print_text(console, "Example: quorvel.exe -source s_reference.smd h_reference.smd\n\n");
}

}  // namespace quorvel
