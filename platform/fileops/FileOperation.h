#pragma once
// Copying and moving items the user chose, without ever losing data: a target is only ever
// created exclusively (never opened with truncation), a name clash is asked about and a
// replacement swaps in a whole copy atomically, a folder never goes into itself, a move deletes
// a source only after its copy arrived whole, a cancel or an error removes only the partial item
// this operation made, links are copied as links, FIFOs, sockets and devices are recreated but
// never opened, and named streams (user.* xattrs), the ACL, mode, owner (as root) and times go
// along; where the target cannot hold the streams, the caller is asked first.
//
// Runs synchronously on the calling thread (a worker thread: see FileOperationThread); the
// questions are asked on that thread and block it until answered.

#include "BytePath.h"
#include "Progress.h"

#include <string>
#include <vector>

namespace sondrel::fileops {

enum class Operation { Copy, Move };

enum class ClashAction { Skip, KeepBoth, Replace, Cancel };
enum class LossAction { DropStreams, Skip, Cancel };
enum class ErrorAction { Skip, Cancel };

template <class Action> struct Answer
{
    Action Choice;
    bool ForAll = false; // the same answer for every later question of this kind
};

struct Clash
{
    BytePath Source;
    BytePath Target;
    bool SourceIsFolder = false;
    bool TargetIsFolder = false;
};

enum class Problem {
    System, // Error holds the errno
    IntoItself, // a folder into itself or below itself
    KindDiffers, // a folder would replace a file or the other way round
    SourceChanged, // the source changed while it was copied
};

struct Failure
{
    BytePath Path;
    Problem Kind = Problem::System;
    int Error = 0;
};

// The user's text for a failure, in the user's locale where it comes from the system.
[[nodiscard]] std::string FailureText(const Failure& failure);

// Called on the operation's thread; each call blocks it until answered.
class Questions
{
public:
    virtual ~Questions() = default;
    // A name of the target folder is taken. For two folders, Replace merges into the existing
    // one, asking again for each clash inside.
    virtual Answer<ClashAction> OnClash(const Clash& clash) = 0;
    // The target cannot hold these named streams of `source`; nothing of it has been lost yet.
    // DropStreams copies without them (a move then keeps its source).
    virtual Answer<LossAction> OnStreamsLost(
        const BytePath& source, const BytePath& target, const std::vector<std::string>& streams)
        = 0;
    virtual Answer<ErrorAction> OnError(const Failure& failure) = 0;
};

struct Request
{
    Operation Op = Operation::Copy;
    std::vector<BytePath> Sources; // absolute paths
    BytePath TargetFolder;
    // The names the sources take in the target folder, one per source; empty: their own.
    std::vector<std::string> TargetNames;
};

struct Outcome
{
    bool Cancelled = false;
    bool Refused = false; // nothing was started (a folder into itself, no target folder)
    std::vector<Failure> Failures;
    std::vector<BytePath> Made; // the items made directly in the target folder
    std::vector<BytePath> Kept; // sources of a move left in place because a stream was dropped
};

[[nodiscard]] Outcome RunFileOperation(
    const Request& request, Questions& questions, Progress& progress);

} // namespace sondrel::fileops
