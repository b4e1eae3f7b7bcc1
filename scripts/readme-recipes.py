#!/usr/bin/python3
"""Reads the administrator recipes out of README.md, as an administrator would
copy them, and prints what each does to the machine, for
scripts/test-package.sh to run under Wine (which has neither PowerShell nor a
task scheduler that runs tasks):

    readme-recipes.py README.md PROGRAMW6432

prints, per recipe (schtasks, detect, remediate):

    recipe NAME
    mkdir<TAB>FOLDER          a folder the recipe makes first
    arg<TAB>ARGUMENT          purlo-cli's command line, the program first
    report<TAB>FILE           where its report goes
    end

Only the few statement forms the recipes use are understood; anything else
that would change what runs is an error, so a recipe edited past this reader
fails the test instead of being skipped."""
import re
import shlex
import sys

PROGRAMS_LINE = "$programs = if ($env:ProgramW6432) { $env:ProgramW6432 } else { $env:ProgramFiles }"


def blocks(text, language):
    return re.findall(r"```%s\n(.*?)```" % language, text, re.S)


def schtasks(text):
    block = next(b for b in blocks(text, "bat") if "schtasks /create" in b)
    joined = re.sub(r"\^\n\s*", "", block)
    folders = [shlex.split(line)[1] for line in joined.splitlines() if line.startswith("mkdir ")]
    task = re.search(r'/tr "((?:[^"\\]|\\.)*)"', joined).group(1).replace('\\"', '"')
    return folders, shlex.split(task)


def powershell(block, programs):
    values = {}
    folders = []
    for line in block.splitlines():
        code = line.split(" #", 1)[0].strip() if not line.startswith("#") else ""
        if not code:
            continue
        if code == PROGRAMS_LINE:
            values["programs"] = programs
        elif re.fullmatch(r'\$\w+ = "[^"]*"', code):
            name, value = re.fullmatch(r'\$(\w+) = "([^"]*)"', code).groups()
            values[name] = re.sub(r"\$(\w+)", lambda m: values[m.group(1)], value)
        elif re.fullmatch(r"New-Item -ItemType Directory -Force \$\w+ \| Out-Null", code):
            folders.append(values[code.split()[4][1:]])
        elif code.startswith("& $cli "):
            argv = [values[word[1:]] if word.startswith("$") else word for word in code[2:].split()]
            return folders, argv
        elif code.startswith("$programs") or code.startswith("$cli") or code.startswith("$report"):
            raise ValueError("not understood: " + code)
    raise ValueError("no '& $cli' line")


def report_of(argv):
    return argv[argv.index("--output") + 1]


def main(readme, programs):
    text = open(readme, encoding="utf-8").read()
    recipes = [("schtasks", *schtasks(text))]
    for block in blocks(text, "powershell"):
        name = re.match(r"# (\w+)\.ps1\n", block)
        if name:
            recipes.append((name.group(1), *powershell(block, programs)))
    for name, folders, argv in recipes:
        print("recipe " + name)
        for folder in folders:
            print("mkdir\t" + folder)
        for arg in argv:
            print("arg\t" + arg)
        print("report\t" + report_of(argv))
        print("end")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
