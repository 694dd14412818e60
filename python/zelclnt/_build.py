"""Builds zelclnt._native, cffi's compiled module over the C interface.

API mode: cffi compiles a small extension against zelclnt_c.h itself, so
the compiler checks every declaration and calls are plain C calls, not
libffi's. The declarations cffi needs are the header's own, less what only
the C preprocessor reads.

    python3 zelclnt/_build.py <source tree> <build directory holding libzelclnt.so>
"""

import pathlib
import re
import sys

import cffi


def declarations(header: str) -> str:
    """The header as cffi's cdef takes it."""
    text = re.sub(r"/\*.*?\*/", "", header, flags=re.S)
    lines = []
    # Open conditionals, true for those skipped: all but the include guard
    # (the C++ linkage and the inline helper's spellings).
    skipped = []
    for line in text.splitlines():
        stripped = line.strip()
        if stripped.startswith("#if"):
            skipped.append(not stripped.startswith("#ifndef ZELCLNT_ZELCLNT_C_H"))
            continue
        if stripped.startswith("#endif"):
            skipped.pop()
            continue
        if any(skipped) or stripped.startswith("#else"):
            continue
        if stripped.startswith("#"):
            define = re.match(r"#define (ZEL_\w+) (0x[0-9a-fA-F]+u?|\d+)$", stripped)
            if define and not define.group(1).startswith("ZEL_INLINE"):
                lines.append(f"#define {define.group(1)} {define.group(2).rstrip('u')}")
            continue
        if stripped.startswith("ZEL_INLINE"):
            continue
        lines.append(line.replace("ZELCLNT_API ", "").replace("[ZEL_KEY_BUFFER]", "[41]"))
    return "\n".join(lines)


def builder(source: pathlib.Path, build: pathlib.Path) -> cffi.FFI:
    ffi = cffi.FFI()
    ffi.cdef(declarations((source / "include/zelclnt/zelclnt_c.h").read_text()))
    ffi.set_source(
        "zelclnt._native",
        "#include <zelclnt/zelclnt_c.h>",
        include_dirs=[str(source / "include"), str(source / "platform/include")],
        libraries=["zelclnt"],
        library_dirs=[str(build)],
        extra_link_args=[f"-Wl,-rpath,{build}"],
    )
    return ffi


if __name__ == "__main__":
    source_tree, build_dir = (pathlib.Path(argument).resolve() for argument in sys.argv[1:3])
    builder(source_tree, build_dir).compile(tmpdir=str(pathlib.Path(__file__).resolve().parent.parent))
