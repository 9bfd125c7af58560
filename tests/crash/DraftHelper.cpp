// A stand-in for a running copy of drvesk that keeps drafts as fast as it can, for the
// draft crash test to kill at random moments. It reports on standard output, unbuffered:
//   ready        the writer is running
//   doing G      generation G was handed to the writer
//   done G       generation G is on disk
//
//   drv_draft_helper FILE GENERATION    writes the generations after GENERATION until killed

#include "DraftGenerations.h"
#include "DraftWriter.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

using namespace drv;

namespace {

void say(const QByteArray& line)
{
    const QByteArray b = line + '\n';
    qsizetype done = 0;
    while (done < b.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, b.constData() + done, size_t(b.size() - done));
        if (n <= 0) return;
        done += n;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 3) {
        std::fprintf(stderr, "usage: drv_draft_helper FILE GENERATION\n");
        return 2;
    }
    DraftWriter writer(a[1]);
    say("ready");
    for (int g = a[2].toInt() + 1;; ++g) {
        say("doing " + QByteArray::number(g));
        writer.submit(crash::draftsOf(g));
        if (!writer.flush()) return 3;
        say("done " + QByteArray::number(g));
    }
}
