// The plan of a Make, Build, Link or Compile: which sources are marked, how
// many steps the progress gauge counts, and the steps in the order they
// run, each with its command line and what the runner shows around it. The
// questions are asked (through the frame) while planning, since their
// answers decide the plan; a message step ends the run where it stands.
#pragma once

#include <string>
#include <vector>

#include "ide/project/project.h"

namespace vesk {

enum class StepKind {
    assemble,
    compile,
    link,
    tool,     // a post-link tool or user filter
    error,    // an error box that ends the run
    warning,  // a warning box that ends the run
};

struct PlanStep {
    StepKind kind = StepKind::error;
    std::string title;    // the progress box's title, or the message
    std::string status;   // the left status field while it runs
    std::string command;  // the line run (and written to VESKBLD.BAT)
    ProjectFile* file = nullptr;  // the source built: Changed is cleared as it
                                  // starts, OutOfDate when it succeeds
    std::string aborted;  // the warning when it is cancelled
    std::string remove;   // deleted before it runs
    std::string show;     // the temporary output shown read-only on success
};

struct BuildPlan {
    std::string box;      // "BUILDPROGRESS", "MAKEPROGRESS", "ONECMD" or none
    std::string caption;  // of the box
    bool batch = false;   // the lines go to VESKBLD.BAT
    int total = 0;        // steps counted by the gauge
    std::vector<PlanStep> steps;
};

BuildPlan PlanBuild(bool build);
BuildPlan PlanLink();
BuildPlan PlanCompile(const std::string& name);

// The plan as text, one step a line (what veskcore prints).
std::string PlanText(const BuildPlan& plan);

}  // namespace vesk
