#include "app/Program.h"

int main(int argc, char** argv) {
    return qelvo::app::Main(argc, argv);
}
