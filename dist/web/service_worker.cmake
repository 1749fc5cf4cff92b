# Writes a page's service worker, cmake -P at build time:
#   -Dtemplate=sw.js.in -Doutput=DIR/sw.js -Dversion=VERSION -Dfiles=NAME,NAME,...
# The files are the site's, in DIR. The cache's name is the version and the
# start of a digest of the files, which changes with any of them.
string(REPLACE "," ";" files "${files}")
get_filename_component(directory ${output} DIRECTORY)
set(digests)
set(site_files "'./'")
foreach(name ${files})
  file(SHA256 ${directory}/${name} digest)
  string(APPEND digests "${digest} ${name}\n")
  string(APPEND site_files ", '${name}'")
endforeach()
string(SHA256 digest "${digests}")
string(SUBSTRING ${digest} 0 12 digest)
set(cache_version ${version}-${digest})
configure_file(${template} ${output} @ONLY)
