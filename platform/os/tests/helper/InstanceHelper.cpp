// A second process for the single-instance tests:
//   instance_helper serve NAME   runs as the instance until asked to close
//   instance_helper crash NAME   takes the instance and dies without cleaning up
// It reports on standard output, one line per event.

#include <unistd.h>

#include <QtCore/QCoreApplication>

#include <cstdio>
#include <cstring>

#include "platform/os/SingleInstance.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    QCoreApplication app(argc, argv);
    TSingleInstance instance(argv[2]);
    if (!instance.Acquire()) {
        std::printf("TAKEN\n");
        return 1;
    }
    std::printf("READY\n");
    std::fflush(stdout);
    if (std::strcmp(argv[1], "crash") == 0) _exit(0);
    instance.OnShow = [] {
        std::printf("SHOWN\n");
        std::fflush(stdout);
    };
    instance.OnClose = [&app] {
        std::printf("CLOSED\n");
        std::fflush(stdout);
        app.quit();
        return true;
    };
    return app.exec();
}
