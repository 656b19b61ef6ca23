#!/usr/bin/env python3
"""An assembler source through the preprocessor (-P), and the permissions of the outputs."""
import os
import stat

from e2e import Workdir, check, finish

HEAD = "\tprocessor\t%s\n\tpsect\ttext,class=CODE,delta=2\n\tglobal\t_main\n_main:\n"


def main():
    with Workdir() as w:
        # -P: macros and conditionals reach the code; messages name the source, not a temporary.
        w.write("pp.as", "#define VALUE 0x2C\n" + HEAD % "16F877" +
                "#if VALUE > 0x20\n\tmovlw\tVALUE\n#else\n\tmovlw\t0\n#endif\n\tmovwf\t0x30\ndone:\n\tgoto\tdone\n")
        r = w.ormcl("-Q", "--chip=16F877", "--output=intel", "--summary=none", "-P", "pp.as")
        check(r.returncode == 0 and w.exists("pp.hex"), "-P assembles preprocessed text: " + r.stdout + r.stderr)
        if w.exists("pp.hex"):
            dis = w.disassemble("16F877", "pp.hex")
            main_at = w.symbols("pp.sym").get("_main")
            check(dis.get(main_at, (0, ""))[1] == "movlw 0x2c", "the macro reached the code")
        w.write("bad.as", "#define X 1\n" + HEAD % "16F877" + "\n\n\tmovlw\tundefined_name\n")
        r = w.ormcl("-Q", "--chip=16F877", "--output=intel", "--summary=none", "-P", "bad.as")
        out = r.stdout + r.stderr
        check(r.returncode == 1 and "bad.as: 8:" in out, "a message after -P names the source line: " + out)

        # Outputs get the ordinary permissions of a new file.
        os.umask(0o022)
        w.write("ok.as", HEAD % "16F877" + "\tgoto\t_main\n")
        r = w.ormcl("-Q", "--chip=16F877", "--output=intel,mot,bin", "--summary=none", "ok.as")
        for name in ("ok.hex", "ok.s19", "ok.bin", "ok.hxl", "ok.sym"):
            check(w.exists(name), name + " written")
            if w.exists(name):
                mode = stat.S_IMODE(os.stat(w.file(name)).st_mode)
                check(mode == 0o644, "%s has mode %o under umask 022 (expected 644)" % (name, mode))


main()
finish()
