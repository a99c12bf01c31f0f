// A demo update server for `make run`: serves, on 127.0.0.1 only, an update
// description and two packages slowly enough that a person can watch the
// updater's progress. Not part of either program.
//
//   update_demo_server URLFILE     writes its base address to URLFILE and serves
//
// It ends by itself after an hour, or when the run script stops it.

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

std::string Text(std::size_t Size, const std::string& Line) {
    std::string s;
    while (s.size() < Size) s += Line;
    s.resize(Size);
    return s;
}

// Sends the body in pieces of 16 KB with a pause after each, about 200 KB a second.
void ServeSlowly(httplib::Server& Server, const std::string& Path, const std::string& Body) {
    Server.Get(Path, [Body](const httplib::Request&, httplib::Response& Res) {
        Res.set_content_provider(Body.size(), "application/octet-stream",
                                 [Body](size_t Offset, size_t Length, httplib::DataSink& Sink) {
                                     const size_t n = std::min<size_t>(Length, 16384);
                                     Sink.write(Body.data() + Offset, n);
                                     std::this_thread::sleep_for(std::chrono::milliseconds(80));
                                     return true;
                                 });
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: update_demo_server URLFILE\n");
        return 2;
    }
    httplib::Server server;
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) return 1;
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/updclnt";

    const std::string notes = Text(1200000, "Vemlor demo release notes. ");
    const std::string plugin = Text(600000, "#!/bin/sh\n# demo plug-in\n");
    // The description is Windows-1250 text, like the program's own.
    const std::string description =
        "[Setup]\r\nMainURL=" + base + "/files/\r\n"
        "[Notes]\r\nVersion=1.05\r\nSize=" + std::to_string(notes.size()) +
        "\r\nFileName=notes.txt\r\nExclusive=0\r\nRun=0\r\n"
        "[InfoNotes]\r\n1=Pozn\xE1mky k verzi 1.05\r\n2=Rychlej\x9A\xED odes\xEDl\xE1n\xED zpr\xE1v\r\n"
        "[Plugin]\r\nVersion=1.10\r\nSize=" + std::to_string(plugin.size()) +
        "\r\nFileName=demo-plugin.txt\r\nOutputDir=Plugins\r\nRun=0\r\n"
        "[InfoPlugin]\r\n1=Uk\xE1zkov\xFD dopln\xECk\r\n";
    // The updater asks for the next description where the packages are.
    for (const char* path : {"/updclnt/update.dat", "/updclnt/files/update.dat"})
        server.Get(path, [description](const httplib::Request&, httplib::Response& Res) {
            Res.set_content(description, "text/plain");
        });
    ServeSlowly(server, "/updclnt/files/notes.txt", notes);
    ServeSlowly(server, "/updclnt/files/demo-plugin.txt", plugin);

    if (FILE* f = std::fopen(argv[1], "w")) {
        std::fprintf(f, "%s\n", base.c_str());
        std::fclose(f);
    } else {
        return 1;
    }
    std::thread stopper([&server] {
        std::this_thread::sleep_for(std::chrono::hours(1));
        server.stop();
    });
    stopper.detach();
    server.listen_after_bind();
    return 0;
}
