-- The laboratory's tables that the install steps write, in the process database (TREL3):
-- the load procedures, which run in the work database, move their rows there.
CREATE TABLE KORX_ALGORITHM (alg_name varchar(255), alg_id varchar(64), alg_type varchar(64),
  prog_id varchar(255), cif_name varchar(255), userset_flag varchar(8))
GO
CREATE TABLE KORX_ASSAY_PROTOCOL (assay_name varchar(255), protocol_name varchar(255),
  step_number varchar(16), step_text varchar(1024))
GO
CREATE TABLE KORX_DEVICE (device_name varchar(255), anno_id varchar(64), device_desc varchar(255),
  device_prefix varchar(64))
GO
CREATE TABLE KORX_MIAME_TEMPLATE (template_name varchar(255), attribute_name varchar(255),
  attribute_type varchar(64), default_value varchar(1024))
GO
CREATE TABLE KORX_ALGORITHM_PARAM (assay_type varchar(255), array_type varchar(255),
  part_number varchar(64), label varchar(255), param_name varchar(255),
  param_value varchar(2000), param_type varchar(64), kind varchar(16), param_group varchar(32))
GO
CREATE TABLE KORX_FLUIDICS_PROTOCOL (protocol_name varchar(255), step_value varchar(1024))
GO
CREATE TABLE KORX_PROBE_ARRAY (probe_array_name varchar(255), assay_id varchar(64),
  deleted_flag int DEFAULT 0)
GO
CREATE TABLE KORX_PARAMETER_SET (param_set_name varchar(255), param_type varchar(64),
  probe_array_name varchar(255), anno_id varchar(64))
GO
