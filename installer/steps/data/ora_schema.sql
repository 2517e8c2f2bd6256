-- The laboratory database's tables that the install steps write, in the login's schema.
CREATE TABLE KORX_LIB_LOG (step NUMBER, status VARCHAR2(32), message VARCHAR2(255));
CREATE TABLE KORX_ALGORITHM (alg_name VARCHAR2(255), alg_id VARCHAR2(64), alg_type VARCHAR2(64),
  prog_id VARCHAR2(255), cif_name VARCHAR2(255), userset_flag VARCHAR2(8));
CREATE TABLE KORX_ASSAY_PROTOCOL (assay_name VARCHAR2(255), protocol_name VARCHAR2(255),
  step_number VARCHAR2(16), step_text VARCHAR2(1024));
CREATE TABLE KORX_DEVICE (device_name VARCHAR2(255), anno_id VARCHAR2(64),
  device_desc VARCHAR2(255), device_prefix VARCHAR2(64));
CREATE TABLE KORX_MIAME_TEMPLATE (template_name VARCHAR2(255), attribute_name VARCHAR2(255),
  attribute_type VARCHAR2(64), default_value VARCHAR2(1024));
CREATE TABLE KORX_ALGORITHM_PARAM (assay_type VARCHAR2(255), array_type VARCHAR2(255),
  part_number VARCHAR2(64), label VARCHAR2(255), param_name VARCHAR2(255),
  param_value VARCHAR2(2000), param_type VARCHAR2(64), kind VARCHAR2(16), param_group VARCHAR2(32));
CREATE TABLE KORX_FLUIDICS_PROTOCOL (protocol_name VARCHAR2(255), step_value VARCHAR2(1024));
CREATE TABLE KORX_PROBE_ARRAY (probe_array_name VARCHAR2(255), assay_id VARCHAR2(64),
  deleted_flag NUMBER DEFAULT 0);
CREATE TABLE KORX_PARAMETER_SET (param_set_name VARCHAR2(255), param_type VARCHAR2(64),
  probe_array_name VARCHAR2(255), anno_id VARCHAR2(64));
EXIT
